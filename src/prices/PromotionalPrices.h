// "Akciju cenas": replaces every special price in the shop's product_special table with one
// for each product of the products workbook whose struck-through price (SVITROTA_CENA) is
// filled in. The special price is the row's CENA_AR_PVN, for customer group 1 with priority
// 999, valid from yesterday to 31.12.2050. The shop is in maintenance meanwhile.
#pragma once

#include <QDate>
#include <QString>

namespace wwweksports {

class Operator;
class ShopConnection;
struct WorkbookSource;

// The statements, exactly as the shop receives them (with ":name" as placeholders).
inline const QString kSpecialPriceDelete = QStringLiteral("DELETE FROM product_special");
inline const QString kSpecialPriceMax =
    QStringLiteral("SELECT MAX(product_special_id) MAX_COUNT FROM product_special");
inline const QString kSpecialPriceInsertStatement =
    QStringLiteral("INSERT INTO product_special (product_special_id,") + QString(33, u' ') +
    QStringLiteral(
        "product_id, customer_group_id, price, date_start, \t\t\t\t\t\t\t\t"
        "date_end, priority) VALUES") +
    QString(33, u' ') + QStringLiteral("(:product_special_id, :product_id, :customer_group_id,") +
    QString(33, u' ') + QStringLiteral(":price, :date_start, :date_end, :priority)");

// Returns 1 when done, or kNoConnection (-1) after a failed connection test (its message has
// been shown). Workbook and database errors raise Error. The workbook is read and checked
// whole before the shop is touched; a database error once maintenance is on leaves the shop
// in maintenance. The caller checks the operator's inputs first.
int UploadSpecialPrices(ShopConnection& connection, WorkbookSource& adcExcel, Operator& op,
                        const QDate& today = QDate::currentDate());

}  // namespace wwweksports
