// "Sūtīt atlikumus": the stock quantity of every product of the products workbook, one
// UPDATE per workbook row in workbook order: an ID the shop does not have changes nothing,
// and of an ID given twice the later row's balance stays.
#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <vector>

namespace wwweksports {

class ShopConnection;

struct StockBalance {
    int32_t productId = 0;
    int32_t quantity = 0;  // ATLIKUMS rounded to a whole number
};

// Throws Error(Workbook) for a missing file or column or a cell that cannot be read.
std::vector<StockBalance> ReadStockBalances(const QString& workbookPath);

// What a stock upload did: how many different workbook IDs the shop has (their quantities
// are now the workbook's) and how many it does not have.
struct StockSummary {
    size_t set = 0;
    size_t missing = 0;
    std::map<int64_t, int64_t> before;  // the quantities the shop held of the IDs it has
};

// Database errors raise Error; the rows before stay updated.
StockSummary WriteStockBalances(ShopConnection& connection,
                                const std::vector<StockBalance>& balances);

}  // namespace wwweksports
