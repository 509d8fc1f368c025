// What the window tests share: the application object, made once per test program (offscreen
// unless a platform is chosen, the visual style active, configuration under a throwaway
// XDG_CONFIG_HOME so Qt's own dialog settings never reach the home directory), a window on a
// store of the test's own, and the answerer that stands in for the operator at modal boxes.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "settings/SettingsStore.h"
#include "window/WWWEksportsForm.h"

class QFileDialog;

namespace wwweksports::testing {

// A control of `window` found by its object name; fails the test when there is none.
template <typename Control>
Control* FindControl(const QWidget& window, const char* name) {
    auto* control = window.findChild<Control*>(QString::fromLatin1(name));
    if (!control) ADD_FAILURE() << "no control " << name;
    return control;
}

// Answers every modal box that comes up while it lives: a message box is recorded and
// closed with OK, a file dialog is handed to `onFileDialog` (which must close it).
class ModalAnswerer {
public:
    struct Box {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        int buttonCount;
    };

    explicit ModalAnswerer(std::function<void(QFileDialog*)> onFileDialog = {});

    std::vector<Box> boxes;
    QStringList texts() const;

private:
    void answer();

    std::function<void(QFileDialog*)> onFileDialog_;
    QTimer timer_;
};

// A window over a store in a temporary directory.
class WindowTest : public ::testing::Test {
protected:
    QString storePath() const { return configDir.filePath(QStringLiteral("WWWExp.json")); }
    void writeStore(const QByteArray& json);
    QByteArray readStore() const;
    std::unique_ptr<TWWWEksports> makeWindow() {
        return std::make_unique<TWWWEksports>(SettingsStore(storePath()));
    }

    QTemporaryDir configDir;
};

}  // namespace wwweksports::testing
