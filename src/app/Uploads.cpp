#include "app/Uploads.h"

#ifdef __linux__
#include <malloc.h>
#endif

#include <optional>
#include <utility>

#include "app/ShopChanges.h"
#include "app/UploadFrame.h"
#include "catalogue/CatalogueUpload.h"
#include "prices/PromotionalPrices.h"
#include "stock/StockBalances.h"
#include "workbook/Workbook.h"

namespace wwweksports {

namespace {

// What the upload will change is found under the run lock before it writes, and only
// before its first try to get that far: a try that lost its link may have changed the shop
// already. The shop's rows are let go before the upload writes.

// An upload that ended normally changed what was foreseen.
void AddChanges(Outcome outcome, const std::optional<ChangeReport>& foreseen,
                ChangeReport* changes) {
    if (outcome != Outcome::Done || !changes || !foreseen) return;
    for (const ChangeSection& section : foreseen->sections)
        changes->section(section.part) = section;
}

// With `changes`, an upload that ends normally adds to it what it changed.
Outcome UploadCatalogueNoting(ShopConnection& connection, Operator& op, ChangeReport* changes) {
    Catalogue catalogue;
    std::optional<ChangeReport> foreseen;
    const Outcome outcome = RunUpload(
        connection, op,
        [&](const Inputs& in, uint64_t maxPacket) {
            catalogue = ReadCatalogue(in.workbookPath, maxPacket);
        },
        [&] {
            if (changes && !foreseen) {
                ChangeReport report;
                CompareCatalogue(catalogue, ReadShopHoldings(connection, true, false, false),
                                 report);
                foreseen = std::move(report);
            }
            return WriteCatalogue(connection, catalogue, op);
        });
    AddChanges(outcome, foreseen, changes);
    return outcome;
}

Outcome UploadSpecialPricesNoting(ShopConnection& connection, Operator& op, ChangeReport* changes) {
    std::vector<SpecialPrice> specials;
    std::optional<ChangeReport> foreseen;
    const Outcome outcome = RunUpload(
        connection, op,
        [&](const Inputs& in, uint64_t) { specials = ReadSpecialPrices(in.workbookPath); },
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
    return UploadCatalogueNoting(connection, op, nullptr);
}

Outcome UploadSpecialPrices(ShopConnection& connection, Operator& op) {
    return UploadSpecialPricesNoting(connection, op, nullptr);
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
    // The products workbook read for the catalogue serves the special prices.
    const KeepReadWorkbooks keep;
    Outcome outcome = Outcome::Done;
    ChangeReport changes;
    if (op.inputs().products)
        outcome = Worse(outcome, UploadCatalogueNoting(connection, op, &changes));
    // Read again: the box may have changed while the catalogue was sent.
    if (op.inputs().specials)
        outcome = Worse(outcome, UploadSpecialPricesNoting(connection, op, &changes));
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
#endif
}

}  // namespace wwweksports
