#include "stock/StockBalances.h"

#include <utility>
#include <vector>

#include "operator/Operator.h"
#include "shopdb/ArrayQuery.h"
#include "shopdb/Maintenance.h"
#include "shopdb/ShopChecks.h"
#include "workbook/Workbook.h"

namespace wwweksports {

int UploadStockBalances(ShopConnection& connection, WorkbookSource& adcExcel, Operator& op,
                        bool oneAtATime) {
    if (const int check = CheckInputs(op); check < 0) return check;
    // Always with the fields as they are now: a connection left open by an earlier run may
    // point at another shop.
    if (const int test = TestShopConnection(connection, op); test < 0) return test;

    // The whole workbook is read first: a missing file or a bad cell stops the run before
    // the shop goes into maintenance.
    std::vector<std::pair<int32_t, int32_t>> balances;  // ID, ATLIKUMS
    OpenWorkbook(adcExcel, op.inputs().workbookPath, kProductsWorkbook);
    RowSet& rows = adcExcel.query;
    rows.requireColumns({QStringLiteral("ID"), QStringLiteral("ATLIKUMS")});
    balances.reserve(static_cast<size_t>(rows.rowCount()));
    for (; !rows.eof(); rows.next()) {
        balances.emplace_back(rows.asInteger(QStringLiteral("ID")),
                              rows.asInteger(QStringLiteral("ATLIKUMS")));
    }
    CloseWorkbook(adcExcel);

    SetShopMaintenance(connection, 1);
    // One UPDATE per row in workbook order; many of them share a round trip.
    ArrayQuery update(connection, kStockUpdateStatement);
    update.setRowByRow(oneAtATime);
    const int count = static_cast<int>(balances.size());
    update.setArraySize(count);
    const int quantity = update.paramIndex(QStringLiteral("daudzums"));
    const int product = update.paramIndex(QStringLiteral("isprece"));
    for (int row = 0; row < count; ++row) {
        update.setValue(product, row, int64_t{balances[static_cast<size_t>(row)].first});
        update.setValue(quantity, row, int64_t{balances[static_cast<size_t>(row)].second});
    }
    update.execute(count);
    SetShopMaintenance(connection, 0);
    return kCheckOk;
}

}  // namespace wwweksports
