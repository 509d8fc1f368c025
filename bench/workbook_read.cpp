// Reads a products workbook whole, as the uploads do, and prints the time and the peak
// memory of the process.
//   bench_workbook_read DIR          (DIR holds Preces_web.xlsx, e.g. from
//                                     wwweksports-sample-catalogue)
//   bench_workbook_read DIR ROWS     first writes DIR/Preces_web.xlsx, a worksheet of ROWS rows:
//                                     the header and products with an ID, a name unique per
//                                     row, a price and a balance; 1048576 rows fill a worksheet
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "BenchSupport.h"
#include "fixtures/WorkbookBuilder.h"
#include "operator/Error.h"
#include "workbook/Workbook.h"

using namespace wwweksports;

namespace {

// Written in a child process, so that the writer's memory does not count as the reader's peak.
bool WriteProducts(const std::string& directory, int rows) {
    const pid_t child = fork();
    if (child == 0) {
        try {
            testing::WorkbookBuilder builder;
            builder.sheet("Preces").row({"ID", "NOSAUKUMS", "CENA_AR_PVN", "ATLIKUMS"});
            for (int id = 1; id < rows; ++id)
                builder.row({id, "Prece nr. " + std::to_string(id), 0.25 * (id % 400), id % 250});
            builder.save(directory + "/Preces_web.xlsx");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s DIR [ROWS]\n", argv[0]);
        return 2;
    }
    if (argc == 3) {
        bench::Stopwatch write;
        if (!WriteProducts(argv[1], std::atoi(argv[2]))) return 1;
        std::printf("wrote %s rows in %.1f s\n", argv[2], write.seconds());
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
