// "Sūtīt atlikumus": sets the stock quantity of every product of the products workbook, one
// UPDATE per workbook row in workbook order, with the shop in maintenance meanwhile.
#pragma once

#include <QString>

namespace wwweksports {

class Operator;
class ShopConnection;
struct WorkbookSource;

// The statement, exactly as the shop receives it (with ":name" as placeholders).
inline const QString kStockUpdateStatement = QStringLiteral(
    "UPDATE product set quantity=:daudzums \t\t\t\t\t\t\t\t where product_id=:isprece");

// Returns 1 when done, or the negative code of the input check or connection test that
// stopped it (their message has been shown). Workbook and database errors raise Error; the
// workbook is read and checked whole before the shop is touched.
// `oneAtATime` sends every UPDATE in a round trip of its own, as a comparison for the
// batched path.
int UploadStockBalances(ShopConnection& connection, WorkbookSource& adcExcel, Operator& op,
                        bool oneAtATime = false);

}  // namespace wwweksports
