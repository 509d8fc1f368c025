// The two uploads of a generated catalogue (50,000 products, 2,000 groups in four levels,
// 2 shop languages) run through the real headless front end against the private server:
// on loopback and through a slow link of 1 ms and 20 ms round trips. Prints, per link and
// upload, the wall time, round trips and statements the tool counted, the peak memory of
// the tool's process, and on loopback the ratio to the floor: the time this server takes to
// load the same rows with LOAD DATA INFILE plus the tool's own reading of the workbooks.
// On loopback send-lists also runs a second time over its own keywords ("again").
//   bench_uploads DIR [PRODUCTS]   (WWWEKSPORTS_TEST_DB_PORT names the server; DIR must be
//                                    writable by the server too)
#include <sys/resource.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "SampleCatalogue.h"
#include "SlowLink.h"
#include "app/UploadFrame.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "shopdb/Query.h"
#include "shopdb/ShopConnection.h"
#include "workbook/Workbook.h"

using namespace wwweksports;

namespace {

struct Run {
    double seconds = 0;
    unsigned long long statements = 0;
    unsigned long long roundTrips = 0;
    int exitCode = -1;
};

Run RunCli(const QString& cli, const QStringList& args, const QString& configDir) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);  // an empty store of its own
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    bench::Stopwatch clock;
    process.start(cli, args);
    process.waitForFinished(-1);
    Run run;
    run.seconds = clock.seconds();
    run.exitCode = process.exitCode();
    const QString err = QString::fromUtf8(process.readAllStandardError());
    const auto match =
        QRegularExpression(QStringLiteral("(\\d+) statements, (\\d+) round trips")).match(err);
    if (match.hasMatch()) {
        run.statements = match.captured(1).toULongLong();
        run.roundTrips = match.captured(2).toULongLong();
    }
    if (run.exitCode != 0) std::fprintf(stderr, "%s", err.toStdString().c_str());
    return run;
}

double ChildrenPeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Round trip of a trivial query through `port`, in milliseconds (median of 21).
double MeasureRoundTrip(testing::TestShop& shop, int port) {
    Inputs in = shop.inputs();
    in.address = QStringLiteral("127.0.0.1:%1").arg(port);
    testing::RecordingOperator op(in);
    ShopConnection connection;
    TestShopConnection(connection, op);
    Query trivial(connection, QStringLiteral("SELECT 1"));
    trivial.exec();  // opens the session
    std::vector<double> times;
    for (int i = 0; i < 21; ++i) {
        bench::Stopwatch clock;
        trivial.exec();
        times.push_back(clock.seconds() * 1000);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Reading the groups' first sheet, GRUPAS and the products once.
double ReadWorkbooks(const QString& excelDir) {
    bench::Stopwatch clock;
    long long sink = 0;
    for (const QString& file : {kGroupsWorkbook, kProductsWorkbook}) {
        for (const SheetRow row : Workbook::Open(excelDir, file).firstSheet())
            sink += row.asText(QStringLiteral("ID")).size();
    }
    sink += Workbook::Open(excelDir, kGroupsWorkbook).sheet(QStringLiteral("GRUPAS")).rowCount();
    return sink > 0 ? clock.seconds() : 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [PRODUCTS]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const QString excelDir = QString::fromStdString(dir + "/Preces_web.xlsx");
    const QString configDir = QString::fromStdString(dir + "/config");
    testing::SampleCatalogue catalogue;
    catalogue.products = argc > 2 ? std::atoi(argv[2]) : 50000;
    catalogue.groups = 2000;
    catalogue.levels = 4;
    try {
        testing::WriteSampleCatalogue(catalogue, dir);
        testing::TestShop shop;
        shop.addLanguage(2, "Latviešu", "lv-lv");
        qputenv("BENCH_SHOP_PASSWORD", testing::TestShop::password());
        const int serverPort = testing::TestShop::serverPort();

        struct Link {
            const char* name;
            int oneWayMicros;
        };
        const Link links[] = {{"loopback", 0}, {"1 ms", 500}, {"20 ms", 10000}};
        std::printf("%-9s %9s  %-10s %8s %9s %11s %11s %9s\n", "link", "rtt ms", "upload", "rows",
                    "wall s", "round trips", "statements", "vs floor");
        double floor = 0;
        long long catalogueRows = 0;
        for (const Link& link : links) {
            std::unique_ptr<bench::SlowLink> relay;
            int port = serverPort;
            if (link.oneWayMicros > 0) {
                relay = std::make_unique<bench::SlowLink>(
                    serverPort, std::chrono::microseconds(link.oneWayMicros));
                port = relay->port();
            }
            const double rtt = MeasureRoundTrip(shop, port);
            const QStringList common = {
                QStringLiteral("--address"),      QStringLiteral("127.0.0.1:%1").arg(port),
                QStringLiteral("--database"),     QString::fromStdString(shop.database()),
                QStringLiteral("--user"),         QString::fromStdString(shop.user()),
                QStringLiteral("--password-env"), QStringLiteral("BENCH_SHOP_PASSWORD"),
                QStringLiteral("--workbooks"),    excelDir};
            // Every run starts from the same shop: no keywords to update, no old specials.
            const auto sendLists = [&] {
                shop.exec("DELETE FROM seo_url");
                return RunCli(QStringLiteral(WWWEKSPORTS_CLI),
                              common + QStringList{"send-lists", "--products", "--specials"},
                              configDir);
            };
            Run lists = sendLists();
            bool listsOk = lists.exitCode == 0;
            if (catalogueRows == 0) {
                for (const std::string& table : testing::kWrittenTables) {
                    catalogueRows += std::stoll(shop.value("SELECT COUNT(*) FROM " + table));
                }
                // The floor: the same rows loaded from files by the same server, and the read
                // of the workbooks the run makes.
                for (const std::string& table : testing::kWrittenTables) {
                    shop.exec("SELECT * INTO OUTFILE '" + dir + "/" + table + ".tsv' FROM " +
                              table);
                }
                // Both sides are the median of three, taken in turns: on a shared machine a
                // single load or run varies by half.
                std::vector<double> loads;
                std::vector<Run> runs;
                for (int attempt = 0; attempt < 3; ++attempt) {
                    testing::TestShop floorShop;
                    bench::Stopwatch load;
                    for (const std::string& table : testing::kWrittenTables) {
                        floorShop.exec("LOAD DATA INFILE '" + dir + "/" + table +
                                       ".tsv' INTO TABLE " + table);
                    }
                    loads.push_back(load.seconds());
                    runs.push_back(sendLists());
                    listsOk = listsOk && runs.back().exitCode == 0;
                }
                std::sort(loads.begin(), loads.end());
                std::sort(runs.begin(), runs.end(),
                          [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
                floor = loads[1] + ReadWorkbooks(excelDir);
                lists = runs[1];
            }
            const Run stock = RunCli(QStringLiteral(WWWEKSPORTS_CLI),
                                     common + QStringList{"send-stock"}, configDir);
            const bool ok = listsOk && stock.exitCode == 0;
            std::printf("%-9s %9.2f  %-10s %8lld %9.2f %11llu %11llu %8.1fx%s\n", link.name, rtt,
                        "send-lists", catalogueRows, lists.seconds, lists.roundTrips,
                        lists.statements, lists.seconds / floor, ok ? "" : "  FAILED");
            std::printf("%-9s %9s  %-10s %8d %9.2f %11llu %11llu\n", "", "", "send-stock",
                        catalogue.products, stock.seconds, stock.roundTrips, stock.statements);
            if (link.oneWayMicros == 0) {
                // What a shop sees from its second run on: every keyword row is there already
                // and is updated, one statement per row.
                const Run again = RunCli(
                    QStringLiteral(WWWEKSPORTS_CLI),
                    common + QStringList{"send-lists", "--products", "--specials"}, configDir);
                std::printf("%-9s %9s  %-10s %8lld %9.2f %11llu %11llu %8.1fx%s\n", "", "", "again",
                            catalogueRows, again.seconds, again.roundTrips, again.statements,
                            again.seconds / floor, again.exitCode == 0 ? "" : "  FAILED");
            }
            std::fflush(stdout);
        }
        std::printf("floor (LOAD DATA INFILE of the same rows + reading the workbooks): %.2f s\n",
                    floor);
        std::printf("peak memory of the tool's process: %.1f MiB\n", ChildrenPeakMiB());
        for (const std::string& table : testing::kWrittenTables)
            std::remove((dir + "/" + table + ".tsv").c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
