#include "stock/StockBalances.h"

#include "shopdb/ArrayQuery.h"
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

void WriteStockBalances(ShopConnection& connection, const std::vector<StockBalance>& balances) {
    ArrayQuery update(connection, kUpdate);
    const int count = static_cast<int>(balances.size());
    update.setArraySize(count);
    for (int row = 0; row < count; ++row) {
        update.setValue(QStringLiteral("isprece"), row,
                        int64_t{balances[static_cast<size_t>(row)].productId});
        update.setValue(QStringLiteral("daudzums"), row,
                        int64_t{balances[static_cast<size_t>(row)].quantity});
    }
    update.execute(count);
}

}  // namespace wwweksports
