// The window program: the visual style, the window, the event loop. It reads no arguments of
// its own; an error that escapes is shown and the program still ends with 0.
#include <QApplication>
#include <exception>

#include "app/Uploads.h"
#include "window/Glyphs.h"
#include "window/StandardDialogs.h"
#include "window/VisualStyle.h"
#include "window/WWWEksportsForm.h"

using namespace wwweksports;

int main(int argc, char* argv[]) {
    KeepFreedMemory();
    // Made before the guard: the error dialog needs it.
    QApplication application(argc, argv);
    try {
        QApplication::setApplicationName(kApplicationName);
        QApplication::setWindowIcon(WindowIcon());
        UseLatvianQtTexts();
        try {
            ActivateVisualStyle(kVisualStyleName);
        } catch (const std::exception& e) {
            // Without the style the window keeps Qt's own look.
            ShowErrorDialog(nullptr, ExceptionText(e));
        }
        // A top-level window without a parent has the taskbar entry: the main window's.
        TWWWEksports window;
        window.show();
        QApplication::exec();
    } catch (const std::exception& e) {
        ShowErrorDialog(nullptr, ExceptionText(e));
    } catch (...) {
        ShowErrorDialog(nullptr, QString());
    }
    return 0;
}
