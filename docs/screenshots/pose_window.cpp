// Shows the window for scripts/screenshots.sh: the visual style, the inputs the saved-inputs
// store holds (the script points XDG_CONFIG_HOME at a demo store), a few runs in the process
// log, and the page given as the one argument (0 "Sūtīšana", 1 "Procesa dati", 2 the box
// "Drošība" over "Sūtīšana"). Once the window (or the box) is painted it prints its X window
// id; it stays until it is ended, at most a minute.
#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "window/Glyphs.h"
#include "window/SecurityDialog.h"
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
    const QString link = QStringLiteral(
        "Savienojums ar 192.168.10.20:3306 ir šifrēts (TLSv1.3, "
        "TLS_AES_256_GCM_SHA384)");
    for (int run = 0; run < 3; ++run) {
        window.addProcessLine(QStringLiteral("Sāk sarakstu sūtīšanu ..."));
        window.addProcessLine(link);
        window.addProcessLine(QStringLiteral("Saraksti aizsūtīti"));
    }
    window.reportLink(link);  // what the box shows of the last connection
    window.setStatus(QStringLiteral("Saraksti aizsūtīti !!!"), StatusRefresh::None);
    const int page = QApplication::arguments().value(1).toInt();
    window.findChild<QTabWidget*>(QStringLiteral("pgLappuses"))->setCurrentIndex(page % 2);
    window.show();
    SecurityDialog box(window.inputs().tlsMode, window.inputs().tlsCa, link, &window);
    if (page == 2) box.show();
    QWidget* shown = page == 2 ? static_cast<QWidget*>(&box) : &window;
    QTimer::singleShot(700, &window, [shown] {
        std::printf("%llu\n", static_cast<unsigned long long>(shown->winId()));
        std::fflush(stdout);
    });
    QTimer::singleShot(60000, &application, &QApplication::quit);
    return QApplication::exec();
}
