#include "app/Uploads.h"

#ifdef __linux__
#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#endif

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "app/ShopChanges.h"
#include "app/UploadFrame.h"
#include "catalogue/CatalogueUpload.h"
#include "prices/PromotionalPrices.h"
#include "stock/StockBalances.h"
#include "workbook/Workbook.h"

namespace wwweksports {

namespace {

// What an upload will change is foreseen under the run lock before it writes, and only
// before its first try to get that far: a try that lost its link may have changed the shop
// already. The shop's rows are let go before the upload writes its products. An upload
// that ended normally changed what was foreseen.
void AddChanges(Outcome outcome, const std::optional<ChangeReport>& foreseen,
                ChangeReport* changes) {
    if (outcome != Outcome::Done || !changes || !foreseen) return;
    for (const ChangeSection& section : foreseen->sections)
        changes->section(section.part) = section;
}

// A thread joined whatever way its owner's scope is left, whose end any thread may wait for.
class JoinedThread {
public:
    JoinedThread() = default;
    ~JoinedThread() { join(); }
    JoinedThread(const JoinedThread&) = delete;
    JoinedThread& operator=(const JoinedThread&) = delete;

    // `work` must not throw.
    template <typename Work>
    void start(Work&& work) {
        started_ = true;
        thread_ = std::thread([this, work = std::forward<Work>(work)]() mutable {
            work();
            const std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
            ended_.notify_all();
        });
    }
    // Returns once the work is done (at once when none was started).
    void waitDone() {
        if (!started_) return;
        std::unique_lock<std::mutex> lock(mutex_);
        ended_.wait(lock, [this] { return done_; });
    }
    void join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    bool started_ = false;
    bool done_ = false;
    std::mutex mutex_;
    std::condition_variable ended_;
    std::thread thread_;
};

// The special prices, read while the catalogue's read has the products workbook open: the
// workbook then need not stay in memory while the catalogue is written. The special prices'
// upload takes what was read when its workbook is the same file unchanged; a refusal found
// early is given then, in its own phase.
class EarlySpecialPrices {
public:
    void read(const QString& workbookPath) {
        stamp_ = WorkbookStamp::Of(WorkbookFilePath(workbookPath, kProductsWorkbook));
        read_ = true;
        try {
            specials_ = ReadSpecialPrices(workbookPath);
        } catch (...) {
            error_ = std::current_exception();
        }
    }
    std::vector<SpecialPrice> take(const QString& workbookPath) {
        if (!std::exchange(read_, false) ||
            !(stamp_ == WorkbookStamp::Of(WorkbookFilePath(workbookPath, kProductsWorkbook))))
            return ReadSpecialPrices(workbookPath);
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
        return std::move(specials_);
    }

private:
    bool read_ = false;
    WorkbookStamp stamp_;
    std::vector<SpecialPrice> specials_;
    std::exception_ptr error_;
};

// With `changes`, an upload that ends normally adds to it what it changed. With `early`, the
// special prices are read from the products workbook while it is open.
Outcome UploadCatalogueNoting(ShopConnection& connection, Operator& op, ChangeReport* changes,
                              EarlySpecialPrices* early) {
    Catalogue catalogue;
    std::optional<ChangeReport> foreseen;
    const Outcome outcome = RunUpload(
        connection, op,
        [&](const Inputs& in, uint64_t maxPacket) {
            const KeepReadWorkbooks keep;
            catalogue = ReadCatalogue(in.workbookPath, maxPacket);
            if (early) early->read(in.workbookPath);
        },
        [&] {
            // The shop's rows are compared on a thread of their own while the old catalogue
            // goes, and let go before the descriptions and the products' lookups take their
            // room.
            std::exception_ptr compareError;
            JoinedThread comparing;
            if (changes && !foreseen) {
                auto values = std::make_unique<CatalogueValues>(catalogue);
                auto shop = std::make_unique<ShopHoldings>(ReadShopHoldings(
                    connection, true, false, false, [&made = *values] { return made.makeSome(); }));
                comparing.start([&, values = std::move(values), shop = std::move(shop)]() mutable {
                    try {
                        ChangeReport report;
                        CompareCatalogue(catalogue, *shop, *values, report);
                        shop.reset();
                        values.reset();
                        foreseen = std::move(report);
                    } catch (...) {
                        compareError = std::current_exception();
                    }
                });
            }
            const Outcome written =
                WriteCatalogue(connection, catalogue, op, [&comparing] { comparing.waitDone(); });
            comparing.join();
            if (compareError) std::rethrow_exception(compareError);
            return written;
        });
    AddChanges(outcome, foreseen, changes);
    return outcome;
}

Outcome UploadSpecialPricesNoting(ShopConnection& connection, Operator& op, ChangeReport* changes,
                                  EarlySpecialPrices* early) {
    std::vector<SpecialPrice> specials;
    std::optional<ChangeReport> foreseen;
    const Outcome outcome = RunUpload(
        connection, op,
        [&](const Inputs& in, uint64_t) {
            specials = early ? early->take(in.workbookPath) : ReadSpecialPrices(in.workbookPath);
        },
        [&] {
            if (changes && !foreseen) {
                ChangeReport report;
                CompareSpecials(specials, ReadShopHoldings(connection, false, true, false), {},
                                report);
                foreseen = std::move(report);
            }
            WriteSpecialPrices(connection, specials, op);
            return Outcome::Done;
        });
    AddChanges(outcome, foreseen, changes);
    return outcome;
}

}  // namespace

Outcome UploadCatalogue(ShopConnection& connection, Operator& op) {
    return UploadCatalogueNoting(connection, op, nullptr, nullptr);
}

Outcome UploadSpecialPrices(ShopConnection& connection, Operator& op) {
    return UploadSpecialPricesNoting(connection, op, nullptr, nullptr);
}

namespace {

// A count as Latvian texts write it: thousands apart by a space, "49 998".
QString GroupedNumber(size_t count) {
    QString digits = QString::number(count);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(' '));
    return digits;
}

}  // namespace

Outcome UploadStockBalances(ShopConnection& connection, Operator& op) {
    if (CheckInputs(op) != Outcome::Done) return Outcome::InputMissing;
    std::vector<StockBalance> balances;
    StockSummary summary;
    const Outcome outcome = RunUpload(
        connection, op,
        [&](const Inputs& in, uint64_t) { balances = ReadStockBalances(in.workbookPath); },
        [&] {
            summary = WriteStockBalances(connection, balances);
            return Outcome::Done;
        });
    if (outcome != Outcome::Done) return outcome;
    const QString done = QStringLiteral("Atlikumi aizsūtīti: %1; nav veikalā: %2")
                             .arg(GroupedNumber(summary.set), GroupedNumber(summary.missing));
    op.setStatus(done, StatusRefresh::Repaint);
    op.addProcessLine(done);
    ChangeReport changes;
    CompareStock(balances, summary.before, {}, changes);
    op.reportChanges(changes, Operator::Changes::Made);
    return outcome;
}

Outcome SendLists(ShopConnection& connection, Operator& op) {
    if (CheckInputs(op) != Outcome::Done) return Outcome::InputMissing;
    op.addProcessLine(QStringLiteral("Sāk sarakstu sūtīšanu ..."));
    Outcome outcome = Outcome::Done;
    ChangeReport changes;
    // The products workbook read for the catalogue serves the special prices.
    EarlySpecialPrices early;
    if (op.inputs().products)
        outcome = Worse(outcome, UploadCatalogueNoting(connection, op, &changes,
                                                       op.inputs().specials ? &early : nullptr));
    // Read again: the box may have changed while the catalogue was sent.
    if (op.inputs().specials)
        outcome = Worse(outcome, UploadSpecialPricesNoting(connection, op, &changes, &early));
    if (outcome != Outcome::Done) return outcome;
    op.setStatus(QStringLiteral("Saraksti aizsūtīti !!!"), StatusRefresh::None);
    op.addProcessLine(QStringLiteral("Saraksti aizsūtīti"));
    op.reportChanges(changes, Operator::Changes::Made);
    return Outcome::Done;
}

void KeepFreedMemory() {
#ifdef M_MMAP_THRESHOLD
    // Large blocks come from the heap, and its top is not given back below these sizes.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    // The threads beside the upload's take from the same heap, where the rows freed by the
    // phases before lie, instead of growing heaps of their own.
    mallopt(M_ARENA_MAX, 1);
#endif
#ifdef __linux__
    // The heap is grown now by what a large catalogue takes, untouched, and that room asked
    // for in 2 MiB pages: its texts and rows then come into memory a huge page at a time
    // instead of one fault per 4 KiB, which on a virtual machine took half of reading a
    // 50,000-product workbook. Where the system gives no huge pages nothing changes.
    const size_t reserve = 192 * 1024 * 1024;
    const uintptr_t huge = 2 * 1024 * 1024;
    if (void* block = std::malloc(reserve)) {
        const uintptr_t at = reinterpret_cast<uintptr_t>(block);
        const uintptr_t begin = (at + huge - 1) / huge * huge;
        const uintptr_t end = (at + reserve) / huge * huge;
        std::free(block);  // kept as the heap's top: below the trim threshold
        if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#endif
}

}  // namespace wwweksports
