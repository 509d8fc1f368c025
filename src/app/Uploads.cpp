#include "app/Uploads.h"

#ifdef __linux__
#include <malloc.h>
#endif

#include "app/UploadFrame.h"
#include "catalogue/CatalogueUpload.h"
#include "prices/PromotionalPrices.h"
#include "stock/StockBalances.h"
#include "workbook/Workbook.h"

namespace wwweksports {

Outcome UploadCatalogue(ShopConnection& connection, Operator& op) {
    Catalogue catalogue;
    return RunUpload(
        connection, op,
        [&](const Inputs& in, uint64_t maxPacket) {
            catalogue = ReadCatalogue(in.workbookPath, maxPacket);
        },
        [&] { return WriteCatalogue(connection, catalogue, op); });
}

Outcome UploadSpecialPrices(ShopConnection& connection, Operator& op) {
    std::vector<SpecialPrice> specials;
    return RunUpload(
        connection, op,
        [&](const Inputs& in, uint64_t) { specials = ReadSpecialPrices(in.workbookPath); },
        [&] {
            WriteSpecialPrices(connection, specials, op);
            return Outcome::Done;
        });
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
    return outcome;
}

Outcome SendLists(ShopConnection& connection, Operator& op) {
    if (CheckInputs(op) != Outcome::Done) return Outcome::InputMissing;
    op.addProcessLine(QStringLiteral("Sāk sarakstu sūtīšanu ..."));
    // The products workbook read for the catalogue serves the special prices.
    const KeepReadWorkbooks keep;
    Outcome outcome = Outcome::Done;
    if (op.inputs().products) outcome = Worse(outcome, UploadCatalogue(connection, op));
    // Read again: the box may have changed while the catalogue was sent.
    if (op.inputs().specials) outcome = Worse(outcome, UploadSpecialPrices(connection, op));
    if (outcome != Outcome::Done) return outcome;
    op.setStatus(QStringLiteral("Saraksti aizsūtīti !!!"), StatusRefresh::None);
    op.addProcessLine(QStringLiteral("Saraksti aizsūtīti"));
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
