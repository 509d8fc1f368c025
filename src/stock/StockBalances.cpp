#include "stock/StockBalances.h"

#include <string>

#include "shopdb/BulkWriter.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

const QString kUpdate =
    QStringLiteral("UPDATE product SET quantity = :daudzums WHERE product_id = :isprece");

}  // namespace

std::vector<StockBalance> ReadStockBalances(const QString& workbookPath) {
    const QString id = QStringLiteral("ID");
    const QString balance = QStringLiteral("ATLIKUMS");
    const Sheet sheet = Workbook::Open(workbookPath, kProductsWorkbook).firstSheet();
    sheet.requireColumns({id, balance});
    std::vector<StockBalance> balances;
    balances.reserve(static_cast<size_t>(sheet.rowCount()));
    for (const SheetRow row : sheet)
        balances.push_back({row.asInteger(id), row.asInteger(balance)});
    return balances;
}

StockSummary WriteStockBalances(ShopConnection& connection,
                                const std::vector<StockBalance>& balances) {
    KeyedUpdate update("product", "product_id", "quantity", kUpdate);
    for (const StockBalance& balance : balances)
        update.add(balance.productId, int64_t{balance.quantity});
    if (update.size() == 0) return {};
    update.readCurrent(connection);
    StockSummary summary{update.keysFound(), update.distinctKeys() - update.keysFound(), {}};
    for (const auto& [id, quantity] : update.current())
        summary.before.emplace(id, quantity ? std::stoll(*quantity) : 0);
    BulkWriter writer(connection);
    update.write(writer, 0, update.size());
    writer.send();
    return summary;
}

}  // namespace wwweksports
