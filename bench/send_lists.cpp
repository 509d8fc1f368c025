// "Sūtīt sarakstus" with both boxes ticked, for a generated catalogue, against the private
// server: wall time, statements and round trips per phase, and, as the floor, the time the
// same server takes to load the very rows the run left in the shop with LOAD DATA INFILE.
//   bench_send_lists DIR [PRODUCTS [GROUPS [LEVELS [LANGUAGES]]]]
//   (WWWEKSPORTS_TEST_DB_PORT names the server; DIR must be writable by the server too)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "SampleCatalogue.h"
#include "app/Uploads.h"
#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "operator/Operator.h"
#include "shopdb/ShopConnection.h"

using namespace wwweksports;

namespace {

// Marks a phase at every status text that starts one.
class TimingOperator : public Operator {
public:
    struct Mark {
        std::string phase;
        double seconds;
        ShopConnection::Counters counters;
    };

    TimingOperator(Inputs inputs, const ShopConnection& connection)
        : inputs_(std::move(inputs)), connection_(connection) {
        mark("read workbooks, connect");
    }
    Inputs inputs() const override { return inputs_; }
    void setStatus(const QString& text, StatusRefresh) override {
        const std::string s = text.toStdString();
        for (const char* phase : {"Dzēšu vecos ierakstus", "Sūtu preču grupas", "Sūtu preces 0/",
                                  "Ievietoju preču datus tabulās...", "Ievietoju SEO...",
                                  "Preču pazeminātā cena", "Saraksti aizsūtīti !!!"}) {
            if (s.rfind(phase, 0) == 0) mark(phase);
        }
    }
    void addProcessLine(const QString&) override {}
    void reportLink(const QString&) override {}
    void reportChanges(const ChangeReport&, Changes) override {}
    void showMessage(const QString& text) override {
        std::fprintf(stderr, "message: %s\n", text.toStdString().c_str());
    }
    void mark(const std::string& phase) {
        marks.push_back({phase, clock.seconds(), connection_.counters()});
    }

    std::vector<Mark> marks;
    bench::Stopwatch clock;

private:
    Inputs inputs_;
    const ShopConnection& connection_;
};

const char* PhaseName(const std::string& status) {
    if (status == "read workbooks, connect") return "read workbooks, connection test";
    if (status == "Dzēšu vecos ierakstus") return "languages, delete old catalogue";
    if (status == "Sūtu preču grupas") return "groups: lookups and 4 executions";
    if (status == "Sūtu preces 0/") return "product rows: link and seo_url lookups";
    if (status == "Ievietoju preču datus tabulās...") return "products and descriptions batches";
    if (status == "Ievietoju SEO...") return "seo_url batches";
    if (status == "Preču pazeminātā cena") return "special prices (incl. read, delete)";
    return status.c_str();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [PRODUCTS [GROUPS [LEVELS [LANGUAGES]]]]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    testing::SampleCatalogue catalogue;
    catalogue.products = argc > 2 ? std::atoi(argv[2]) : 50000;
    catalogue.groups = argc > 3 ? std::atoi(argv[3]) : 2000;
    catalogue.levels = argc > 4 ? std::atoi(argv[4]) : 4;
    const int languages = argc > 5 ? std::atoi(argv[5]) : 2;
    try {
        testing::WriteSampleCatalogue(catalogue, dir);
        testing::TestShop shop;
        for (int l = 2; l <= languages; ++l)
            shop.addLanguage(l, "Valoda " + std::to_string(l), "l" + std::to_string(l));

        Inputs inputs = shop.inputs(QString::fromStdString(dir + "/Preces_web.xlsx"));
        inputs.products = true;
        inputs.specials = true;
        ShopConnection connection;
        TimingOperator op(inputs, connection);
        const Outcome outcome = SendLists(connection, op);
        op.mark("end");
        if (outcome != Outcome::Done) {
            std::fprintf(stderr, "the run did not finish\n");
            return 1;
        }

        long long rows = 0;
        for (const std::string& table : testing::kWrittenTables)
            rows += std::stoll(shop.value("SELECT COUNT(*) FROM " + table));

        std::printf(
            "send-lists: %d products, %d groups in %d levels, %d languages: %lld rows written\n",
            catalogue.products, catalogue.groups, catalogue.levels, languages, rows);
        std::printf("  %-42s %9s %11s %11s\n", "phase", "seconds", "statements", "round trips");
        for (size_t i = 0; i + 1 < op.marks.size(); ++i) {
            const auto& a = op.marks[i];
            const auto& b = op.marks[i + 1];
            std::printf(
                "  %-42s %9.2f %11llu %11llu\n", PhaseName(a.phase), b.seconds - a.seconds,
                static_cast<unsigned long long>(b.counters.statements - a.counters.statements),
                static_cast<unsigned long long>(b.counters.roundTrips - a.counters.roundTrips));
        }
        const double total = op.marks.back().seconds;
        const auto& c = op.marks.back().counters;
        std::printf("  %-42s %9.2f %11llu %11llu\n", "total", total,
                    static_cast<unsigned long long>(c.statements),
                    static_cast<unsigned long long>(c.roundTrips));
        std::printf("  %.0f rows/s, peak memory %.1f MiB\n", rows / total, bench::PeakMemoryMiB());

        // The floor: the same rows, loaded by the same server from files.
        for (const std::string& table : testing::kWrittenTables) {
            shop.exec("SELECT * INTO OUTFILE '" + dir + "/" + table + ".tsv' FROM " + table);
        }
        testing::TestShop floorShop;
        bench::Stopwatch load;
        for (const std::string& table : testing::kWrittenTables) {
            floorShop.exec("LOAD DATA INFILE '" + dir + "/" + table + ".tsv' INTO TABLE " + table);
        }
        const double floor = load.seconds();
        std::printf("  LOAD DATA INFILE of the same rows: %.2f s; send-lists / LOAD DATA = %.1fx\n",
                    floor, total / floor);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
