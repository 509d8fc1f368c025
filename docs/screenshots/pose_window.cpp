// Shows the window for scripts/screenshots.sh: the visual style, the inputs the saved-inputs
// store holds (the script points XDG_CONFIG_HOME at a demo store), a few runs in the process
// log, and the scene given as the one argument: 0 the page "Sūtīšana", 1 "Procesa dati", 2 the
// box "Drošība" over "Sūtīšana", 3 "Sūtīšana" during a long upload (the phase's progress and the
// wait cursor), 4 "Procesa dati" after "Sūtīt atlikumus", 5 the error box of a failed run over
// "Procesa dati" with the run's trace, 6 "Procesa dati" after "Pārbaudīt". Once the window (or the
// box) is painted it prints its X window id; it stays until it is ended, at most a minute.
#include <QApplication>
#include <QMessageBox>
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
    const int scene = QApplication::arguments().value(1).toInt();
    for (int run = 0; run < (scene == 6 ? 1 : 3); ++run) {
        window.addProcessLine(QStringLiteral("Sāk sarakstu sūtīšanu ..."));
        window.addProcessLine(link);
        window.addProcessLine(QStringLiteral("Saraksti aizsūtīti"));
    }
    window.reportLink(link);  // what the box shows of the last connection
    // What the last run changed, and what a check found since.
    ChangeReport report;
    for (int i = 0; i < 2; ++i) report.section(ChangeSection::Part::Products).unchanged += 49998;
    report.section(ChangeSection::Part::Products)
        .add({ChangeExample::Kind::Changed, QStringLiteral("1207"),
              QStringLiteral("Rupjmaize 500 g"), QStringLiteral("price"), QStringLiteral("1.2900"),
              QStringLiteral("1.1900")});
    report.section(ChangeSection::Part::Products)
        .add({ChangeExample::Kind::Added,
              QStringLiteral("50211"),
              QStringLiteral("Medus 250 g"),
              {},
              {},
              {}});
    report.section(ChangeSection::Part::Stock)
        .add({ChangeExample::Kind::Changed, QStringLiteral("1207"),
              QStringLiteral("Rupjmaize 500 g"), QStringLiteral("quantity"), QStringLiteral("14"),
              QStringLiteral("9")});
    report.section(ChangeSection::Part::Stock).unchanged = 49997;
    window.setStatus(QStringLiteral("Saraksti aizsūtīti !!!"), StatusRefresh::None);
    UseLatvianQtTexts();
    const bool logPage = scene == 1 || scene == 4 || scene == 5 || scene == 6;
    if (scene == 6) {
        window.reportChanges(report, Operator::Changes::Foreseen);
        window.setStatus(QStringLiteral("Pārbaude beigusies; mainītos: ") + ChangeLine(report),
                         StatusRefresh::None);
    }
    if (scene == 3) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        window.setStatus(
            QStringLiteral("Ievietoju ProductDescription tabulā: 100000; Paka: 27 no 40"),
            StatusRefresh::None);
    } else if (scene == 4) {
        const QString done = QStringLiteral("Atlikumi aizsūtīti: 49 998; nav veikalā: 2");
        window.addProcessLine(done);
        window.setStatus(done, StatusRefresh::None);
        window.reportChanges(report, Operator::Changes::Made);
    }
    const QString error = QStringLiteral(
        "Veikals neņēma pretī ierakstu: vērtība ir par garu kolonnai (datu bāzes kļūda 1406: "
        "Data too long for column 'name' at row 1)\nVaicājums: INSERT INTO product_description "
        "(product_id, language_id, name, description, tag, meta_title, meta_description, ...");
    if (scene == 5) {
        const QString failed =
            QStringLiteral("Sūtīšana neizdevās: %1").arg(error.section(QLatin1Char('\n'), 0, 0));
        window.addProcessLine(failed);
        window.setStatus(failed, StatusRefresh::None);
    }
    window.findChild<QTabWidget*>(QStringLiteral("pgLappuses"))->setCurrentIndex(logPage ? 1 : 0);
    window.show();
    SecurityDialog box(window.inputs().tlsMode, window.inputs().tlsCa, link, &window);
    QMessageBox errorBox(QMessageBox::Critical, kApplicationName, error, QMessageBox::Ok, &window);
    if (scene == 2) box.show();
    if (scene == 5) errorBox.show();
    QWidget* shown = &window;
    if (scene == 2) shown = &box;
    QTimer::singleShot(700, &window, [shown] {
        std::printf("%llu\n", static_cast<unsigned long long>(shown->winId()));
        std::fflush(stdout);
    });
    QTimer::singleShot(60000, &application, &QApplication::quit);
    return QApplication::exec();
}
