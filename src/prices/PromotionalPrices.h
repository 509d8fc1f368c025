// "Akciju cenas": every special price in the shop's product_special table is replaced with
// one for each product of the products workbook whose struck-through price (SVITROTA_CENA) is
// filled in. The special price is the row's CENA_AR_PVN, for customer group 1 with priority
// 999, valid from yesterday to 31.12.2050; the identifiers run on from 2 in workbook order.
#pragma once

#include <QDate>
#include <QString>
#include <cstdint>
#include <vector>

namespace wwweksports {

class Operator;
class ShopConnection;

struct SpecialPrice {
    int32_t productId = 0;
    double price = 0;
};

// The products on promotion, in workbook order. CENA_AR_PVN is read only from them. Throws
// Error(Workbook) for a missing file or column or a cell that cannot be read.
std::vector<SpecialPrice> ReadSpecialPrices(const QString& workbookPath);

// Empties product_special and writes `specials` in batches. Database errors raise Error.
void WriteSpecialPrices(ShopConnection& connection, const std::vector<SpecialPrice>& specials,
                        Operator& op, const QDate& today = QDate::currentDate());

}  // namespace wwweksports
