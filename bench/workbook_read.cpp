// Reads a products workbook whole, as the uploads do, and prints the time and the peak
// memory of the process.
//   bench_workbook_read DIR   (DIR holds Preces_web.xlsx, e.g. from wwweksports-sample-catalogue)
#include <cstdio>

#include "BenchSupport.h"
#include "operator/Error.h"
#include "workbook/Workbook.h"

using namespace wwweksports;

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const double before = bench::PeakMemoryMiB();
    try {
        bench::Stopwatch open;
        const Sheet sheet = Workbook::Open(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/") +
                                               kProductsWorkbook,
                                           kProductsWorkbook)
                                .firstSheet();
        const double openSeconds = open.seconds();

        bench::Stopwatch read;
        long long checksum = 0;
        int rows = 0;
        for (const SheetRow r : sheet) {
            ++rows;
            checksum += r.asInteger(QStringLiteral("ID")) + r.asInteger(QStringLiteral("ATLIKUMS"));
            checksum += r.asText(QStringLiteral("NOSAUKUMS")).size();
            checksum += static_cast<long long>(r.asFloat(QStringLiteral("CENA_AR_PVN")));
        }
        const double readSeconds = read.seconds();
        std::printf(
            "rows %d, open (unzip + parse) %.3f s, read 4 columns of every row %.3f s, "
            "peak memory %.1f MiB (%.1f MiB before opening), checksum %lld\n",
            rows, openSeconds, readSeconds, bench::PeakMemoryMiB(), before, checksum);
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
