#include "prices/PromotionalPrices.h"

#include "catalogue/BatchWriter.h"
#include "operator/Operator.h"
#include "shopdb/ArrayQuery.h"
#include "shopdb/BulkWriter.h"
#include "shopdb/Query.h"
#include "shopdb/ShopDate.h"
#include "shopdb/StatementBatch.h"
#include "shopdb/TableKeys.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

const QString kDelete = QStringLiteral("DELETE FROM product_special");
const QString kMax =
    QStringLiteral("SELECT MAX(product_special_id) AS MAX_COUNT FROM product_special");
const QString kInsert = QStringLiteral(
    "INSERT INTO product_special (product_special_id, product_id, customer_group_id, price, "
    "date_start, date_end, priority) "
    "VALUES (:product_special_id, :product_id, :customer_group_id, :price, :date_start, "
    ":date_end, :priority)");

const int64_t kCustomerGroup = 1;
const int64_t kPriority = 999;

}  // namespace

std::vector<SpecialPrice> ReadSpecialPrices(const QString& workbookPath) {
    const QString id = QStringLiteral("ID");
    const QString struck = QStringLiteral("SVITROTA_CENA");
    const QString price = QStringLiteral("CENA_AR_PVN");
    const Sheet sheet = Workbook::Open(workbookPath, kProductsWorkbook).firstSheet();
    sheet.requireColumns({id, struck, price});
    std::vector<SpecialPrice> specials;
    for (const SheetRow row : sheet) {
        if (!row.asText(struck).isEmpty())
            specials.push_back({row.asInteger(id), row.asFloat(price)});
    }
    return specials;
}

void WriteSpecialPrices(ShopConnection& connection, const std::vector<SpecialPrice>& specials,
                        Operator& op, const QDate& today) {
    StatementBatch deleteAndCount(connection);
    deleteAndCount.add(kDelete);
    deleteAndCount.add(kMax);
    // The keys are switched off in the same round trip, and on again in the last round trip of
    // the rows. An account that may not alter the table loses the count: it is asked again.
    std::vector<ResultRows> counted;
    DisabledKeys keys(connection, {QStringLiteral("product_special")}, deleteAndCount, counted);
    const ResultRows max = counted.empty() ? Query(connection, kMax).exec() : counted[1];
    // Increased before each use: the first special gets the maximum plus 2.
    int64_t counter = max.integer(0, QStringLiteral("MAX_COUNT")) + 1;

    op.setStatus(QStringLiteral("Preču pazeminātā cena"), StatusRefresh::RepaintAndProcessEvents);
    const Value dateStart = today.addDays(-1);
    const Value dateEnd = ParseDayMonthYear(QStringLiteral("31.12.2050"));
    const int selected = static_cast<int>(specials.size());
    ArrayQuery insert(connection, kInsert);
    insert.setArraySize(selected);
    for (int row = 0; row < selected; ++row) {
        const SpecialPrice& special = specials[static_cast<size_t>(row)];
        insert.setValue(QStringLiteral("product_special_id"), row, ++counter);
        insert.setValue(QStringLiteral("product_id"), row, int64_t{special.productId});
        insert.setValue(QStringLiteral("customer_group_id"), row, kCustomerGroup);
        insert.setValue(QStringLiteral("priority"), row, kPriority);
        insert.setValue(QStringLiteral("date_start"), row, dateStart);
        insert.setValue(QStringLiteral("price"), row, special.price);
        insert.setValue(QStringLiteral("date_end"), row, dateEnd);
    }
    ExecuteInBatches(
        connection, selected, QStringLiteral("Ieraksti: "), op,
        [&insert](BulkWriter& writer, int start, int end) { insert.write(writer, end, start); },
        [&keys](BulkWriter& writer) { keys.enableIn(writer); });
    keys.enabled();
}

}  // namespace wwweksports
