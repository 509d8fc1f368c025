// What the shop holds of what the uploads write, read with SELECTs only, and what the uploads
// would change in it: the catalogue's groups, products, descriptions, category links and
// keywords, the special prices and the stock quantities, each compared as the upload leaves
// it. Columns the uploads do not name are not compared, and neither are a special price's
// first day (always the day before the run) and its row number.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/CatalogueUpload.h"
#include "operator/ChangeReport.h"
#include "prices/PromotionalPrices.h"
#include "stock/StockBalances.h"

namespace wwweksports {

class ShopConnection;

struct ShopHoldings {
    using Row = std::vector<std::string>;  // the columns the uploads write, as the server sends
    std::vector<int64_t> languages;
    std::map<int64_t, Row> categories;
    std::map<int64_t, std::set<int64_t>> categoryStores;
    std::map<int64_t, std::set<std::pair<int64_t, int64_t>>> categoryPaths;  // (path_id, level)
    std::map<std::pair<int64_t, int64_t>, std::string> categoryNames;        // (id, language)
    std::map<int64_t, Row> products;
    std::map<int64_t, std::set<int64_t>> productStores;
    std::map<std::pair<int64_t, int64_t>, Row> descriptions;   // (id, language)
    std::set<std::pair<int64_t, int64_t>> links;               // (product_id, category_id)
    std::map<std::string, std::vector<std::string>> keywords;  // by query text, folded
    std::multimap<int64_t, Row> specials;                      // by product_id
    std::map<int64_t, int64_t> quantities;                     // product_id -> quantity
};

// Reads what the catalogue upload (`catalogue`), the special prices (`specials`) and the
// stock upload (`stock`) write, in one round trip. Database errors raise Error.
ShopHoldings ReadShopHoldings(ShopConnection& connection, bool catalogue, bool specials,
                              bool stock);

// Adds to `report` what each upload would change in a shop that holds `shop`.
void CompareCatalogue(const Catalogue& catalogue, const ShopHoldings& shop, ChangeReport& report);
void CompareSpecials(const std::vector<SpecialPrice>& specials, const ShopHoldings& shop,
                     ChangeReport& report);
// `names` gives the products' names for the examples, where the catalogue was read.
void CompareStock(const std::vector<StockBalance>& balances,
                  const std::map<int64_t, int64_t>& quantities,
                  const std::vector<ProductRow>& names, ChangeReport& report);

}  // namespace wwweksports
