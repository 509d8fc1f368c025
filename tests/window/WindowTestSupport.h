// What the window tests share: the application, a window on a settings store of the test's
// own, and a stand-in for the operator at modal boxes.
#pragma once

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>

#include "fixtures/RecordingOperator.h"
#include "window/VisualStyle.h"
#include "window/WWWEksportsForm.h"

namespace wwweksports::testing {

// Answers every modal box while it lives. A message box must carry the program's name and one
// OK button; it is kept as "<icon>: <text>" and closed with OK. A file dialog goes to
// `onFileDialog`, once, which must close it.
struct ModalAnswerer : QObject {
    ModalAnswerer() { startTimer(5); }
    void timerEvent(QTimerEvent*) override {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(box->windowTitle(), "WWWEksports");
            EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            boxes << QVariant::fromValue(box->icon()).toString() + ": " + box->text();
            cursors << (QApplication::overrideCursor() ? "wait" : "ordinary");
            box->done(QMessageBox::Ok);
        } else if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                   dialog && onFileDialog) {
            std::exchange(onFileDialog, nullptr)(dialog);
        }
    }
    QStringList boxes;
    QStringList cursors;  // the override cursor while each box was up
    std::function<void(QFileDialog*)> onFileDialog;
};

// One application for the whole program, made when the tests run and ended after them:
// offscreen unless a platform is chosen, the visual style active, Qt's own dialog settings
// kept out of $HOME.
class WindowApplication : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome_.path()));
        application_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setQuitOnLastWindowClosed(false);
        ActivateVisualStyle(kVisualStyleName);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[12] = "window-test";
    char* argv_[2] = {name_, nullptr};
    QTemporaryDir configHome_;
    std::unique_ptr<QApplication> application_;
};
inline ::testing::Environment* const kWindowApplication =
    ::testing::AddGlobalTestEnvironment(new WindowApplication);

// A window, shown, over a store in a temporary directory; the answerer outlives the window,
// whose end may show a box.
class Window : public ::testing::Test {
protected:
    void SetUp() override { open(); }
    QString storePath() const { return configDir.filePath("WWWExp.json"); }
    void open() {
        window = std::make_unique<TWWWEksports>(SettingsStore(storePath()));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    template <typename Control = QWidget>
    Control* find(const char* name) const {
        return window->findChild<Control*>(name);
    }
    // The process log, each line's stamp ("dd.MM-HH:mm:ss ") cut off.
    QStringList logMessages() const {
        QStringList lines;
        for (const auto* item : find<QListWidget>("lstProcess")->findItems("", Qt::MatchContains))
            lines << item->text();
        return lines.replaceInStrings(QRegularExpression("^\\d\\d\\.\\d\\d-\\d\\d:\\d\\d:\\d\\d "),
                                      "");
    }

    // The log's lines whole: a line the list wraps goes on in the next item, without a stamp.
    QStringList logLines() const {
        static const QRegularExpression stamp("^\\d\\d\\.\\d\\d-\\d\\d:\\d\\d:\\d\\d ");
        QStringList lines;
        for (const auto* item : find<QListWidget>("lstProcess")->findItems("", Qt::MatchContains)) {
            if (item->text().contains(stamp) || lines.isEmpty())
                lines << QString(item->text()).remove(stamp);
            else
                lines.last() += item->text();
        }
        return lines;
    }

    QTemporaryDir configDir;
    ModalAnswerer answerer;
    std::unique_ptr<TWWWEksports> window;
};

}  // namespace wwweksports::testing
