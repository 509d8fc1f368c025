#include "prices/PromotionalPrices.h"

#include <vector>

#include "operator/Operator.h"
#include "shopdb/ArrayQuery.h"
#include "shopdb/BatchWriter.h"
#include "shopdb/Maintenance.h"
#include "shopdb/Query.h"
#include "shopdb/ShopChecks.h"
#include "shopdb/ShopDate.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

struct SpecialPrice {
    int32_t productId;
    double price;
};

const int64_t kCustomerGroup = 1;
const int64_t kPriority = 999;

}  // namespace

int UploadSpecialPrices(ShopConnection& connection, WorkbookSource& adcExcel, Operator& op,
                        const QDate& today) {
    // Always with the fields as they are now, even when the connection is open: it may point
    // at another shop.
    if (const int test = TestShopConnection(connection, op); test < 0) return test;

    // The whole workbook is read first, so a missing file or a bad cell stops the run before
    // the old special prices are deleted.
    const QString idColumn = QStringLiteral("ID");
    const QString struckColumn = QStringLiteral("SVITROTA_CENA");
    const QString priceColumn = QStringLiteral("CENA_AR_PVN");
    std::vector<SpecialPrice> specials;
    OpenWorkbook(adcExcel, op.inputs().workbookPath, kProductsWorkbook);
    RowSet& rows = adcExcel.query;
    rows.requireColumns({idColumn, struckColumn, priceColumn});
    for (; !rows.eof(); rows.next()) {
        if (rows.asText(struckColumn).isEmpty()) continue;
        specials.push_back({rows.asInteger(idColumn), rows.asFloat(priceColumn)});
    }
    CloseWorkbook(adcExcel);

    SetShopMaintenance(connection, 1);
    Query query(connection, kSpecialPriceDelete);
    query.exec();
    query.setText(kSpecialPriceMax);
    query.open();
    // Increased before each use: the first special gets the maximum plus 2.
    int64_t counter = query.fieldAsInteger(QStringLiteral("MAX_COUNT")) + 1;
    query.close();

    op.setStatus(QStringLiteral("Preču pazeminātā cena"), StatusRefresh::RepaintAndProcessEvents);
    const Value dateStart = today.addDays(-1);
    const Value dateEnd = ParseDayMonthYear(QStringLiteral("31.12.2050"));
    const int selected = static_cast<int>(specials.size());
    ArrayQuery insert(connection, kSpecialPriceInsertStatement);
    insert.setArraySize(selected);
    const int idParam = insert.paramIndex(QStringLiteral("product_special_id"));
    const int productParam = insert.paramIndex(QStringLiteral("product_id"));
    const int groupParam = insert.paramIndex(QStringLiteral("customer_group_id"));
    const int priorityParam = insert.paramIndex(QStringLiteral("priority"));
    const int startParam = insert.paramIndex(QStringLiteral("date_start"));
    const int priceParam = insert.paramIndex(QStringLiteral("price"));
    const int endParam = insert.paramIndex(QStringLiteral("date_end"));
    for (int row = 0; row < selected; ++row) {
        const SpecialPrice& special = specials[static_cast<size_t>(row)];
        insert.setValue(idParam, row, ++counter);
        insert.setValue(productParam, row, int64_t{special.productId});
        insert.setValue(groupParam, row, kCustomerGroup);
        insert.setValue(priorityParam, row, kPriority);
        insert.setValue(startParam, row, dateStart);
        insert.setValue(priceParam, row, special.price);
        insert.setValue(endParam, row, dateEnd);
    }
    ExecuteInBatches({&insert}, selected, QStringLiteral("Ieraksti: "), op);
    SetShopMaintenance(connection, 0);
    return kCheckOk;
}

}  // namespace wwweksports
