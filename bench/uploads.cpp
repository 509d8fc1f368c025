// The two uploads of a generated catalogue (50,000 products, 2,000 groups in four levels,
// 2 shop languages) run through the real headless front end against the private server:
// on loopback and through a slow link of 1 ms and 20 ms round trips. Prints, per link and
// upload, the wall time (median of three), round trips and statements the tool
// counted, the peak memory of the tool's process, and the ratio to the floor: the time this
// server takes to load the same rows with LOAD DATA INFILE plus the tool's own reading of
// the workbooks. send-lists runs on a shop without keywords ("fresh") and over its own
// keywords ("every day"); send-stock with the quantities the shop has ("same") and with every
// quantity different ("changed").
// With WWWEKSPORTS_BASELINE_CLI naming the previous release's wwweksports-cli, each run is
// repeated by it from the same shop, and the tables both leave are compared.
//   bench_uploads DIR [PRODUCTS]   (WWWEKSPORTS_TEST_DB_PORT names the server; DIR must be
//                                    writable by the server too)
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>
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
    double peakMiB = 0;
};

// The high-water mark of a running process's resident memory, in MiB.
double PeakOf(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
    }
    return 0;
}

Run RunCli(const QString& cli, const QStringList& args, const QString& configDir) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);  // an empty store of its own
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    bench::Stopwatch clock;
    process.start(cli, args);
    Run run;
    const qint64 pid = process.processId();
    while (!process.waitForFinished(20)) run.peakMiB = std::max(run.peakMiB, PeakOf(pid));
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
    // What the run left for the disk is written out before the next is timed: the previous
    // release's single-row runs otherwise slowed the runs after them.
    sync();
    return run;
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

// Loads the rows the shop holds into a new shop from files with LOAD DATA INFILE, in seconds.
// The files are read in the character set they are written in, so that the rows loaded are
// the very rows (checked).
double LoadFloor(testing::TestShop& shop, const std::string& dir) {
    for (const std::string& table : testing::kWrittenTables) {
        shop.exec("SELECT * INTO OUTFILE '" + dir + "/" + table +
                  ".tsv' CHARACTER SET utf8mb4 FROM " + table);
    }
    testing::TestShop floorShop;
    bench::Stopwatch load;
    for (const std::string& table : testing::kWrittenTables) {
        floorShop.exec("LOAD DATA INFILE '" + dir + "/" + table + ".tsv' INTO TABLE " + table +
                       " CHARACTER SET utf8mb4");
    }
    const double seconds = load.seconds();
    if (floorShop.fingerprint() != shop.fingerprint())
        throw std::runtime_error("the floor's LOAD DATA gave other rows than the run wrote");
    for (const std::string& table : testing::kWrittenTables)
        std::remove((dir + "/" + table + ".tsv").c_str());
    return seconds;
}

Run Median(std::vector<Run> runs) {
    if (runs.empty()) return {};
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    return runs[runs.size() / 2];
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
    const QString baseline = qEnvironmentVariable("WWWEKSPORTS_BASELINE_CLI");
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
        std::printf("%-9s %6s  %-20s %7s %6s %10s %8s %8s", "link", "rtt ms", "upload", "wall s",
                    "trips", "statements", "vs floor", "peak MiB");
        if (!baseline.isEmpty())
            std::printf(" | %10s %6s %10s %8s %6s", "previous s", "trips", "statements", "vs floor",
                        "tables");
        std::printf("\n");
        const auto commonArgs = [&](int port) {
            return QStringList{
                QStringLiteral("--address"),      QStringLiteral("127.0.0.1:%1").arg(port),
                QStringLiteral("--database"),     QString::fromStdString(shop.database()),
                QStringLiteral("--user"),         QString::fromStdString(shop.user()),
                QStringLiteral("--password-env"), QStringLiteral("BENCH_SHOP_PASSWORD"),
                QStringLiteral("--workbooks"),    excelDir};
        };
        const QStringList lists = {"send-lists", "--products", "--specials"};
        const QStringList stock = {"send-stock"};
        // The floor comes first, from the rows an untimed send-lists writes: median of three
        // loads, plus the tool's own read of the workbooks. Its loads and the disk writes they
        // leave behind then fall outside the timed runs.
        bool allOk =
            RunCli(QStringLiteral(WWWEKSPORTS_CLI), commonArgs(serverPort) + lists, configDir)
                .exitCode == 0;
        std::vector<double> loads;
        for (int j = 0; j < 3; ++j) loads.push_back(LoadFloor(shop, dir));
        std::sort(loads.begin(), loads.end());
        const double floorLoad = loads[1];
        const double floorRead = ReadWorkbooks(excelDir);
        const double floor = floorLoad + floorRead;
        sync();  // the floor's loads and dropped shop
        double peak = 0;
        for (const Link& link : links) {
            std::unique_ptr<bench::SlowLink> relay;
            int port = serverPort;
            if (link.oneWayMicros > 0) {
                relay = std::make_unique<bench::SlowLink>(
                    serverPort, std::chrono::microseconds(link.oneWayMicros));
                port = relay->port();
            }
            const double rtt = MeasureRoundTrip(shop, port);
            const QStringList common = commonArgs(port);
            const int times = 3;
            bool firstLine = true;
            // Runs an upload `times` times, each from the shop `prepare` leaves; the previous
            // release runs each time too, from the same shop, and must leave the same tables.
            const auto measure = [&](const char* upload, const QStringList& args,
                                     const std::function<void()>& prepare) {
                std::vector<Run> runs;
                std::vector<Run> previous;
                bool same = true;
                for (int k = 0; k < times; ++k) {
                    prepare();
                    runs.push_back(
                        RunCli(QStringLiteral(WWWEKSPORTS_CLI), common + args, configDir));
                    allOk = allOk && runs.back().exitCode == 0;
                    peak = std::max(peak, runs.back().peakMiB);
                    if (baseline.isEmpty()) continue;
                    const std::vector<std::string> state = shop.fingerprint();
                    prepare();
                    previous.push_back(RunCli(baseline, common + args, configDir));
                    same = same && previous.back().exitCode == 0 && shop.fingerprint() == state;
                }
                const Run run = Median(runs);
                std::printf(
                    "%-9s %6s  %-20s %7.2f %6llu %10llu %7.2fx %8.1f", firstLine ? link.name : "",
                    firstLine ? QString::number(rtt, 'f', 2).toUtf8().constData() : "", upload,
                    run.seconds, run.roundTrips, run.statements, run.seconds / floor, run.peakMiB);
                if (!baseline.isEmpty()) {
                    const Run before = Median(previous);
                    std::printf(" | %10.2f %6llu %10llu %7.2fx %6s", before.seconds,
                                before.roundTrips, before.statements, before.seconds / floor,
                                same ? "same" : "DIFFER");
                    allOk = allOk && same;
                }
                std::printf("\n");
                std::fflush(stdout);
                firstLine = false;
            };
            // A fresh shop has no keywords (and hands out their IDs from 1 again, as to the
            // previous release); an every-day run finds the last run's.
            measure("send-lists fresh", lists, [&] { shop.exec("TRUNCATE seo_url"); });
            measure("send-lists every day", lists, [] {});
            measure("send-stock same", stock, [] {});
            measure("send-stock changed", stock,
                    [&] { shop.exec("UPDATE product SET quantity = quantity + 1"); });
        }
        long long rows = 0;
        for (const std::string& table : testing::kWrittenTables)
            rows += std::stoll(shop.value("SELECT COUNT(*) FROM " + table));
        std::printf("rows written by send-lists: %lld; stock rows: %d\n", rows, catalogue.products);
        std::printf(
            "floor: LOAD DATA INFILE of the same rows %.2f s + reading the workbooks %.2f s "
            "= %.2f s\n",
            floorLoad, floorRead, floor);
        std::printf("peak memory of the tool's process: %.1f MiB\n", peak);
        if (!allOk) {
            std::fprintf(stderr, "a run failed or left other tables than the previous release\n");
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
