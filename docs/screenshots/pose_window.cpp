// Shows the window for scripts/screenshots.sh: the visual style, the inputs the saved-inputs
// store holds (the script points XDG_CONFIG_HOME at a demo store), a few runs in the process
// log, and the page given as the one argument (0 "Sūtīšana", 1 "Procesa dati"). Once the
// window is painted it prints its X window id; it stays until it is ended, at most a minute.
#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "window/Glyphs.h"
#include "window/StandardDialogs.h"
#include "window/VisualStyle.h"
#include "window/WWWEksportsForm.h"

using namespace wwweksports;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(kApplicationName);
    QApplication::setWindowIcon(WindowIcon());
    ActivateVisualStyle(kVisualStyleName);

    TWWWEksports window;
    for (int run = 0; run < 3; ++run) {
        window.addProcessLine(QStringLiteral("Sāk sarakstu sūtīšanu ..."));
        window.addProcessLine(QStringLiteral("Saraksti aizsūtīti"));
    }
    window.setStatus(QStringLiteral("Saraksti aizsūtīti !!!"), StatusRefresh::None);
    const int page = QApplication::arguments().value(1).toInt();
    window.findChild<QTabWidget*>(QStringLiteral("pgLappuses"))->setCurrentIndex(page);
    window.show();
    QTimer::singleShot(700, &window, [&window] {
        std::printf("%llu\n", static_cast<unsigned long long>(window.winId()));
        std::fflush(stdout);
    });
    QTimer::singleShot(60000, &application, &QApplication::quit);
    return QApplication::exec();
}
