// What the shop holds of what the uploads write, read with SELECTs only, and what the uploads
// would change in it: the catalogue's groups, products, descriptions, category links and
// keywords, the special prices and the stock quantities, each compared as the upload leaves
// it. Columns the uploads do not name are not compared, and neither are a special price's
// first day (always the day before the run) and its row number.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "catalogue/CatalogueUpload.h"
#include "operator/ChangeReport.h"
#include "prices/PromotionalPrices.h"
#include "shopdb/Result.h"
#include "stock/StockBalances.h"

namespace wwweksports {

class ShopConnection;

// The shop's rows as the server sent them, each table with an index by its key.
struct ShopHoldings {
    std::vector<int64_t> languages;
    // category: category_id, parent_id, top, status, sort_order
    ResultRows categories;
    std::unordered_map<int64_t, int> categoryRow;
    std::unordered_map<int64_t, std::string> categoryStores;  // "0,1": the store_ids in order
    std::unordered_map<int64_t, std::string> categoryPaths;   // "7@0,9@1": path_id@level
    // category_description: category_id, language_id, name
    ResultRows categoryNames;
    std::unordered_map<int64_t, int> categoryNameRow;  // by PairKey(id, language)
    // product: product_id, status, price, model, quantity, stock_status_id, date_added,
    // quantity_decimal, minimum
    ResultRows products;
    std::unordered_map<int64_t, int> productRow;
    std::unordered_map<int64_t, std::string> productStores;
    // product_description: product_id, language_id, name, the CRC-32 of description,
    // meta_title, tag, meta_description and meta_keyword
    ResultRows descriptions;
    std::unordered_map<int64_t, int> descriptionRow;  // by PairKey(id, language)
    std::unordered_set<int64_t> links;                // PairKey(product_id, category_id)
    // seo_url: query, keyword; the rows by the hash of their query text, folded as the column
    // compares it
    ResultRows seo;
    std::unordered_multimap<size_t, int> keywordRows;
    // product_special: product_id, customer_group_id, priority, price, date_end
    ResultRows specials;
    std::map<int64_t, int64_t> quantities;  // product_id -> quantity
};

// One number for an (ID, language) pair.
inline int64_t PairKey(int64_t id, int64_t language) {
    return static_cast<int64_t>((static_cast<uint64_t>(id) << 32) ^
                                static_cast<uint32_t>(language));
}

// The catalogue's new values that take the client time to make: each product's description
// checksum and each group's and product's keyword. They are made in slices while the server
// reads the shop (see ReadShopHoldings), and the rest when first compared.
class CatalogueValues {
public:
    explicit CatalogueValues(const Catalogue& catalogue)
        : catalogue_(catalogue),
          sums_(catalogue.products.size()),
          keywords_(catalogue.groups.size() + catalogue.products.size()) {}
    // Makes the next slice; false once every value is made.
    bool makeSome();
    const std::string& descriptionSum(size_t product);
    const std::string& keyword(size_t group);  // groups first, then the products
private:
    const Catalogue& catalogue_;
    std::vector<std::string> sums_;
    std::vector<std::string> keywords_;
    size_t made_ = 0;  // the products (and groups) made by makeSome()
};

// Reads what the catalogue upload (`catalogue`), the special prices (`specials`) and the
// stock upload (`stock`) write, in one round trip, calling `meanwhile` (see
// StatementBatch::execute) while the server works. Database errors raise Error.
ShopHoldings ReadShopHoldings(ShopConnection& connection, bool catalogue, bool specials, bool stock,
                              const std::function<bool()>& meanwhile = {});

// Adds to `report` what each upload would change in a shop that holds `shop`; `values` are
// the catalogue's.
void CompareCatalogue(const Catalogue& catalogue, const ShopHoldings& shop, CatalogueValues& values,
                      ChangeReport& report);
// `names` gives the products' names for the examples, where the catalogue was read.
void CompareSpecials(const std::vector<SpecialPrice>& specials, const ShopHoldings& shop,
                     const std::vector<ProductRow>& names, ChangeReport& report);
void CompareStock(const std::vector<StockBalance>& balances,
                  const std::map<int64_t, int64_t>& quantities,
                  const std::vector<ProductRow>& names, ChangeReport& report);

}  // namespace wwweksports
