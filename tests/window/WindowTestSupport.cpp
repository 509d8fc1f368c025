#include "WindowTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>

#include "window/VisualStyle.h"

namespace wwweksports::testing {
namespace {

class WindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        configHome_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome_->path()));
        application_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setQuitOnLastWindowClosed(false);
        ActivateVisualStyle(kVisualStyleName);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "window-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QTemporaryDir> configHome_;
    std::unique_ptr<QApplication> application_;
};

// Made when tests run, not when they are listed, which needs no display.
::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new WindowEnvironment);

}  // namespace

ModalAnswerer::ModalAnswerer(std::function<void(QFileDialog*)> onFileDialog)
    : onFileDialog_(std::move(onFileDialog)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
    timer_.start(5);
}

QStringList ModalAnswerer::texts() const {
    QStringList out;
    for (const Box& box : boxes) out << box.text;
    return out;
}

void ModalAnswerer::answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes.push_back({box->icon(), box->windowTitle(), box->text(),
                         static_cast<int>(box->buttons().size())});
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
        } else {
            ADD_FAILURE() << "a box without OK: " << box->text().toStdString();
            box->done(0);
        }
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        if (onFileDialog_) {
            onFileDialog_(dialog);
        } else {
            ADD_FAILURE() << "unexpected file dialog";
            dialog->reject();
        }
    }
}

void WindowTest::writeStore(const QByteArray& json) {
    QFile file(storePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(json);
}

QByteArray WindowTest::readStore() const {
    QFile file(storePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace wwweksports::testing
