#include "app/ShopChanges.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>

#include "catalogue/SeoKeyword.h"
#include "shopdb/ShopConnection.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

using Kind = ChangeExample::Kind;
using Part = ChangeSection::Part;
using Cell = std::string_view;

Cell CellOf(const ResultRows& result, int row, int column) { return result.cell(row, column); }

// How a column's value is compared: as the column stores it.
enum class Type { Text, Whole, Money, Day, DayTime };

double Real(Cell value) {
    double number = 0;
    std::from_chars(value.data(), value.data() + value.size(), number);
    return number;
}

// A double as a whole-number column stores it: the server rounds half to even (rint).
int64_t Whole(Cell value) { return std::llrint(Real(value)); }

// A double as a DECIMAL(15,4) column stores it, in 1/10000: the server rounds the double's
// shortest decimal form half away from zero.
int64_t TenThousandths(Cell value) {
    const double number = Real(value);
    // Far past what the column holds (the server refuses it): all such values are alike.
    if (!(std::fabs(number) < 1e14))
        return number < 0 ? std::numeric_limits<int64_t>::min()
                          : std::numeric_limits<int64_t>::max();
    char text[512];
    const char* end = std::to_chars(text, text + sizeof text, number, std::chars_format::fixed).ptr;
    const char* at = text;
    const bool negative = at != end && *at == '-';
    if (negative) ++at;
    int64_t n = 0;
    for (; at != end && *at != '.'; ++at) n = n * 10 + (*at - '0');
    if (at != end) ++at;
    for (int place = 0; place < 4; ++place) n = n * 10 + (at != end ? *at++ - '0' : 0);
    if (at != end && *at >= '5') ++n;
    return negative ? -n : n;
}

// A date-and-time column's value: a date alone stands for its midnight.
std::pair<Cell, Cell> DayAndTime(Cell value) {
    const Cell midnight = " 00:00:00";
    return {value.substr(0, 10), value.size() > 10 ? value.substr(10) : midnight};
}

bool Same(Type type, Cell a, Cell b) {
    switch (type) {
        case Type::Whole:
            return Whole(a) == Whole(b);
        case Type::Money:
            return TenThousandths(a) == TenThousandths(b);
        case Type::Day:
            return a.substr(0, 10) == b.substr(0, 10);
        case Type::DayTime:
            return DayAndTime(a) == DayAndTime(b);
        case Type::Text:
            break;
    }
    return a == b;
}

QString Shown(Type type, Cell value) {
    switch (type) {
        case Type::Whole:
            return QString::number(Whole(value));
        case Type::Money:
            return QString::number(static_cast<double>(TenThousandths(value)) / 10000, 'f', 4);
        case Type::Day:
            value = value.substr(0, 10);
            break;
        case Type::DayTime: {
            const auto [day, time] = DayAndTime(value);
            return QString::fromUtf8(day.data(), static_cast<qsizetype>(day.size())) +
                   QString::fromUtf8(time.data(), static_cast<qsizetype>(time.size()));
        }
        case Type::Text:
            break;
    }
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

struct Column {
    const char* name;
    Type type;
};

// Counts one row the upload writes whole: added (no `before`), changed (with its first
// changing column as the example) or unchanged. `id()` names the row; it is asked only for a
// kept example.
template <typename Id>
void CountRow(ChangeSection& section, const Id& id, const QString& name,
              const std::vector<Column>& columns, const std::vector<Cell>* before,
              const std::vector<Cell>& after) {
    if (!before) {
        section.add({Kind::Added, section.keeps(Kind::Added) ? id() : QString(), name, {}, {}, {}});
        return;
    }
    for (size_t c = 0; c < columns.size(); ++c) {
        if (Same(columns[c].type, (*before)[c], after[c])) continue;
        if (!section.keeps(Kind::Changed)) {
            section.add({Kind::Changed, {}, {}, {}, {}, {}});
            return;
        }
        section.add({Kind::Changed, id(), name, QString::fromLatin1(columns[c].name),
                     Shown(columns[c].type, (*before)[c]), Shown(columns[c].type, after[c])});
        return;
    }
    ++section.unchanged;
}

void CountRow(ChangeSection& section, const QString& id, const QString& name,
              const std::vector<Column>& columns, const std::vector<Cell>* before,
              const std::vector<Cell>& after) {
    CountRow(
        section, [&id] { return id; }, name, columns, before, after);
}

template <typename Map>
const typename Map::mapped_type* Find(const Map& map, const typename Map::key_type& key) {
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

// The row's cells from `first` on.
void RowCells(const ResultRows& result, int row, int first, std::vector<Cell>& cells) {
    cells.clear();
    for (int c = first; c < result.columns.size(); ++c) cells.push_back(CellOf(result, row, c));
}

// The shortest text that reads back as `value`.
std::string Number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// The CRC-32 of the text's UTF-8 bytes, as the server's CRC32() gives it: the server hashes
// the long texts of a row fast, and only the hash comes over the link.
std::string Crc32(const QString& text) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : text.toUtf8())
        crc = table[(crc ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
    return std::to_string(crc ^ 0xFFFFFFFFu);
}

// A seo_url query as its column compares it: letter case and trailing blanks do not count.
std::string FoldedQuery(Cell query) {
    std::string folded;
    if (std::all_of(query.begin(), query.end(), [](char c) { return (c & 0x80) == 0; })) {
        folded.assign(query);
        for (char& c : folded) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    } else {
        folded = Shown(Type::Text, query).toLower().toStdString();
    }
    while (!folded.empty() && folded.back() == ' ') folded.pop_back();
    return folded;
}

// The first name the shop has of a row in a table of names: (id, language, name, ...).
QString ShopName(const ResultRows& names, int64_t id) {
    for (int row = 0; row < names.rowCount(); ++row) {
        if (names.integer(row, 0) == id) return Shown(Type::Text, CellOf(names, row, 2));
    }
    return QString();
}

// The list text of a key, empty when the table has no rows of it.
Cell ListOf(const std::unordered_map<int64_t, std::string>& lists, int64_t key) {
    const auto it = lists.find(key);
    return it == lists.end() ? Cell() : Cell(it->second);
}

// The shop's rows (keyed by column 0) whose key the upload does not write again, named from
// `names` (id, language, name, ...).
void CountRemovedRows(ChangeSection& section, const ResultRows& shop,
                      const std::unordered_set<int64_t>& written, const ResultRows& names) {
    for (int row = 0; row < shop.rowCount(); ++row) {
        const int64_t id = shop.integer(row, 0);
        if (written.count(id) != 0) continue;
        section.add({Kind::Removed,
                     QString::number(id),
                     section.keeps(Kind::Removed) ? ShopName(names, id) : QString(),
                     {},
                     {},
                     {}});
    }
}

const std::vector<Column> kCategoryColumns = {
    {"parent_id", Type::Whole},        {"top", Type::Whole},
    {"status", Type::Whole},           {"sort_order", Type::Whole},
    {"category_to_store", Type::Text}, {"category_path", Type::Text}};
const std::vector<Column> kProductColumns = {{"status", Type::Whole},
                                             {"price", Type::Money},
                                             {"model", Type::Text},
                                             {"quantity", Type::Whole},
                                             {"stock_status_id", Type::Whole},
                                             {"date_added", Type::DayTime},
                                             {"quantity_decimal", Type::Whole},
                                             {"minimum", Type::Whole},
                                             {"product_to_store", Type::Text}};
// The description's other texts are compared by one digest: a change there is told as one.
const char* const kTexts = "description, meta_title, tag, meta_description, meta_keyword";
const std::vector<Column> kDescriptionColumns = {{"name", Type::Text}, {kTexts, Type::Text}};
const std::vector<Column> kNameColumn = {{"name", Type::Text}};
const std::vector<Column> kSpecialColumns = {{"customer_group_id", Type::Whole},
                                             {"priority", Type::Whole},
                                             {"price", Type::Money},
                                             {"date_end", Type::Day}};
const std::vector<Column> kKeywordColumn = {{"keyword", Type::Text}};
const std::vector<Column> kQuantityColumn = {{"quantity", Type::Whole}};

void CompareGroups(const std::vector<GroupRow>& groups, const ShopHoldings& shop,
                   ChangeReport& report) {
    ChangeSection& section = report.section(Part::Groups);
    std::unordered_set<int64_t> ids;
    int64_t topLevel = 0;
    std::vector<Cell> before;
    std::vector<std::string> after(kCategoryColumns.size());
    for (const GroupRow& g : groups) {
        ids.insert(g.id);
        const bool top = g.parentId <= 0;
        if (top) ++topLevel;
        after[0] = std::to_string(top ? 0 : g.parentId);
        after[1] = top ? "1" : "0";
        after[2] = "1";
        after[3] = std::to_string(g.sortOrder.value_or(topLevel));
        after[4] = "0";
        after[5].clear();
        for (size_t level = 0; level < g.path.size(); ++level) {
            if (level > 0) after[5] += ',';
            after[5] += std::to_string(g.path[level]) + '@' + std::to_string(level);
        }
        const int* row = Find(shop.categoryRow, int64_t{g.id});
        if (row) {
            RowCells(shop.categories, *row, 1, before);
            before.push_back(ListOf(shop.categoryStores, g.id));
            before.push_back(ListOf(shop.categoryPaths, g.id));
        }
        CountRow(section, g.idText, g.name, kCategoryColumns, row ? &before : nullptr,
                 {after.begin(), after.end()});
    }
    CountRemovedRows(section, shop.categories, ids, shop.categoryNames);
}

QString DescriptionId(const QString& kind, const QString& id, int64_t language) {
    return QStringLiteral("%1%2, valoda %3").arg(kind, id).arg(language);
}

// The shop's descriptions (id, language, name, ...) that the upload does not write again.
void CountRemovedDescriptions(ChangeSection& section, const ResultRows& shop,
                              const std::unordered_set<int64_t>& written, const QString& kind) {
    for (int row = 0; row < shop.rowCount(); ++row) {
        const int64_t id = shop.integer(row, 0);
        const int64_t language = shop.integer(row, 1);
        if (written.count(PairKey(id, language)) != 0) continue;
        section.add({Kind::Removed,
                     DescriptionId(kind, QString::number(id), language),
                     Shown(Type::Text, CellOf(shop, row, 2)),
                     {},
                     {},
                     {}});
    }
}

void CompareDescriptions(const Catalogue& catalogue, const ShopHoldings& shop,
                         CatalogueValues& values, ChangeReport& report) {
    ChangeSection& section = report.section(Part::Descriptions);
    const QString group = QStringLiteral("grupa ");
    std::unordered_set<int64_t> keys;
    std::vector<Cell> before;
    for (const GroupRow& g : catalogue.groups) {
        const std::string name = g.name.toStdString();
        for (int64_t language : shop.languages) {
            const int64_t key = PairKey(g.id, language);
            keys.insert(key);
            const int* row = Find(shop.categoryNameRow, key);
            if (row) RowCells(shop.categoryNames, *row, 2, before);
            CountRow(section, [&] { return DescriptionId(group, g.idText, language); }, g.name,
                     kNameColumn, row ? &before : nullptr, {name});
        }
    }
    CountRemovedDescriptions(section, shop.categoryNames, keys, group);
    keys.clear();
    keys.reserve(catalogue.products.size() * shop.languages.size());
    std::vector<std::string> after(kDescriptionColumns.size());
    for (size_t k = 0; k < catalogue.products.size(); ++k) {
        const ProductRow& p = catalogue.products[k];
        after.assign(kDescriptionColumns.size(), std::string());  // made when first compared
        for (int64_t language : shop.languages) {
            const int64_t key = PairKey(p.id, language);
            keys.insert(key);
            const int* row = Find(shop.descriptionRow, key);
            if (row) {
                RowCells(shop.descriptions, *row, 2, before);
                if (after[1].empty()) {
                    after[0] = p.name.toStdString();
                    after[1] = values.descriptionSum(k);
                }
            }
            const size_t examples = section.examples.size();
            CountRow(section, [&] { return DescriptionId(QString(), p.idText, language); }, p.name,
                     kDescriptionColumns, row ? &before : nullptr, {after.begin(), after.end()});
            // The texts are compared by their digest: the example shows the description's
            // beginning.
            if (section.examples.size() > examples &&
                section.examples.back().column == QLatin1String(kTexts)) {
                section.examples.back().before = QStringLiteral("(cits teksts)");
                section.examples.back().after = p.description.left(60) + QStringLiteral("...");
            }
        }
    }
    CountRemovedDescriptions(section, shop.descriptions, keys, QString());
}

void CompareProducts(const std::vector<ProductRow>& products, const ShopHoldings& shop,
                     ChangeReport& report) {
    ChangeSection& section = report.section(Part::Products);
    std::unordered_set<int64_t> ids;
    std::vector<Cell> before;
    std::vector<std::string> after(kProductColumns.size());
    ids.reserve(products.size());
    for (const ProductRow& p : products) {
        ids.insert(p.id);
        // A product the shop lacks is counted as added: its values are not needed.
        const int* row = Find(shop.productRow, int64_t{p.id});
        if (!row) {
            CountRow(section, p.idText, p.name, kProductColumns, nullptr, {});
            continue;
        }
        after[0] = "1";
        after[1] = Number(p.price);
        after[2] = p.article.toStdString();
        after[3] = Number(p.quantity);
        after[4] = "6";
        after[5] = p.dateAdded.toStdString();
        after[6] = std::to_string(p.quantityDecimal);
        after[7] = Number(p.minimum);
        after[8] = "0";
        RowCells(shop.products, *row, 1, before);
        before.push_back(ListOf(shop.productStores, p.id));
        CountRow(section, p.idText, p.name, kProductColumns, &before, {after.begin(), after.end()});
    }
    CountRemovedRows(section, shop.products, ids, shop.descriptions);
}

QString LinkId(int64_t product, int64_t category) {
    return QStringLiteral("prece %1, grupa %2").arg(product).arg(category);
}

void CompareLinks(const std::vector<ProductRow>& products, const ShopHoldings& shop,
                  ChangeReport& report) {
    ChangeSection& section = report.section(Part::CategoryLinks);
    std::unordered_set<int64_t> links;
    links.reserve(products.size());
    for (const ProductRow& p : products) {
        const int64_t key = PairKey(p.id, p.parentId);
        if (!links.insert(key).second) continue;
        if (shop.links.count(key) != 0)
            ++section.unchanged;
        else
            section.add({Kind::Added, LinkId(p.id, p.parentId), p.name, {}, {}, {}});
    }
    for (const int64_t link : shop.links) {
        if (links.count(link) == 0)
            section.add(
                {Kind::Removed, LinkId(link >> 32, static_cast<int32_t>(link)), {}, {}, {}, {}});
    }
}

void CompareKeywords(const Catalogue& catalogue, const ShopHoldings& shop, CatalogueValues& values,
                     ChangeReport& report) {
    ChangeSection& section = report.section(Part::Keywords);
    std::vector<Cell> before(1);
    std::vector<int> rows;
    const auto compare = [&](const QString& query, const QString& name, size_t k) {
        if (shop.keywordRows.empty()) {
            CountRow(section, query, name, kKeywordColumn, nullptr, {});
            return;
        }
        const std::string folded = FoldedQuery(query.toStdString());
        const auto [first, last] = shop.keywordRows.equal_range(std::hash<std::string>()(folded));
        rows.clear();
        for (auto it = first; it != last; ++it) {
            if (FoldedQuery(CellOf(shop.seo, it->second, 0)) == folded) rows.push_back(it->second);
        }
        if (rows.empty()) {
            CountRow(section, query, name, kKeywordColumn, nullptr, {});
            return;
        }
        const std::string& keyword = values.keyword(k);
        // Every row the shop has with the query text gets the keyword: the first that
        // changes stands for them.
        const auto changes = std::find_if(
            rows.begin(), rows.end(), [&](int row) { return CellOf(shop.seo, row, 1) != keyword; });
        before[0] = CellOf(shop.seo, changes == rows.end() ? rows.back() : *changes, 1);
        CountRow(section, query, name, kKeywordColumn, &before, {keyword});
    };
    size_t k = 0;
    for (const GroupRow& g : catalogue.groups)
        compare(QStringLiteral("category_id=") + g.idText, g.name, k++);
    for (const ProductRow& p : catalogue.products)
        compare(QStringLiteral("product_id=") + p.idText, p.name, k++);
}

// The rows of `result` by their key in column 0.
std::unordered_map<int64_t, int> IndexById(const ResultRows& result) {
    std::unordered_map<int64_t, int> index;
    index.reserve(static_cast<size_t>(result.rowCount()));
    for (int row = 0; row < result.rowCount(); ++row) index.emplace(result.integer(row, 0), row);
    return index;
}

std::unordered_map<int64_t, int> IndexByPair(const ResultRows& result) {
    std::unordered_map<int64_t, int> index;
    index.reserve(static_cast<size_t>(result.rowCount()));
    for (int row = 0; row < result.rowCount(); ++row)
        index.emplace(PairKey(result.integer(row, 0), result.integer(row, 1)), row);
    return index;
}

// Each key's items, "3,7" or "7@0,9@1", from rows in key order.
std::unordered_map<int64_t, std::string> ListsById(const ResultRows& result,
                                                   const std::function<std::string(int)>& item) {
    std::unordered_map<int64_t, std::string> lists;
    for (int row = 0; row < result.rowCount(); ++row) {
        std::string& list = lists[result.integer(row, 0)];
        if (!list.empty()) list += ',';
        list += item(row);
    }
    return lists;
}

// Each key's store_ids, "0,1", from (key, store_id) rows in key order.
std::unordered_map<int64_t, std::string> StoreLists(const ResultRows& result) {
    return ListsById(result, [&result](int row) { return std::to_string(result.integer(row, 1)); });
}

}  // namespace

ShopHoldings ReadShopHoldings(ShopConnection& connection, bool catalogue, bool specials, bool stock,
                              const std::function<bool()>& meanwhile) {
    StatementBatch batch(connection);
    std::vector<std::function<void(ResultRows&)>> take;
    ShopHoldings shop;
    const auto read = [&](const std::string& statement, std::function<void(ResultRows&)> into) {
        batch.add(QString::fromStdString(statement));
        take.push_back(std::move(into));
    };
    if (catalogue) {
        read("SELECT language_id FROM language", [&](ResultRows& r) {
            for (int row = 0; row < r.rowCount(); ++row) {
                const int64_t language = r.integer(row, 0);
                if (std::find(shop.languages.begin(), shop.languages.end(), language) ==
                    shop.languages.end())
                    shop.languages.push_back(language);
            }
        });
        read("SELECT category_id, parent_id, top, status, sort_order FROM category",
             [&](ResultRows& r) {
                 shop.categories = std::move(r);
                 shop.categoryRow = IndexById(shop.categories);
             });
        read("SELECT category_id, store_id FROM category_to_store ORDER BY category_id, store_id",
             [&](ResultRows& r) { shop.categoryStores = StoreLists(r); });
        read(
            "SELECT category_id, path_id, level FROM category_path "
            "ORDER BY category_id, level, path_id",
            [&](ResultRows& r) {
                shop.categoryPaths = ListsById(r, [&r](int row) {
                    return std::to_string(r.integer(row, 1)) + '@' +
                           std::to_string(r.integer(row, 2));
                });
            });
        read("SELECT category_id, language_id, name FROM category_description", [&](ResultRows& r) {
            shop.categoryNames = std::move(r);
            shop.categoryNameRow = IndexByPair(shop.categoryNames);
        });
        read(
            "SELECT product_id, status, price, model, quantity, stock_status_id, date_added, "
            "quantity_decimal, minimum FROM product",
            [&](ResultRows& r) {
                shop.products = std::move(r);
                shop.productRow = IndexById(shop.products);
                for (int row = 0; stock && row < shop.products.rowCount(); ++row)
                    shop.quantities.emplace_hint(shop.quantities.end(),
                                                 shop.products.integer(row, 0),
                                                 shop.products.integer(row, 4));
            });
        read("SELECT product_id, store_id FROM product_to_store ORDER BY product_id, store_id",
             [&](ResultRows& r) { shop.productStores = StoreLists(r); });
        // A description's long texts are compared by their checksum, worked out by the server.
        read(
            "SELECT product_id, language_id, name, CRC32(CONCAT_WS(CHAR(31), description, "
            "meta_title, tag, meta_description, meta_keyword)) AS texts FROM product_description",
            [&](ResultRows& r) {
                shop.descriptions = std::move(r);
                shop.descriptionRow = IndexByPair(shop.descriptions);
            });
        read("SELECT product_id, category_id FROM product_to_category", [&](ResultRows& r) {
            shop.links.reserve(static_cast<size_t>(r.rowCount()));
            for (int row = 0; row < r.rowCount(); ++row)
                shop.links.insert(PairKey(r.integer(row, 0), r.integer(row, 1)));
        });
        read(
            "SELECT query, keyword FROM seo_url "
            "WHERE query LIKE 'category\\_id=%' OR query LIKE 'product\\_id=%'",
            [&](ResultRows& r) {
                shop.seo = std::move(r);
                shop.keywordRows.reserve(static_cast<size_t>(shop.seo.rowCount()));
                for (int row = 0; row < shop.seo.rowCount(); ++row)
                    shop.keywordRows.emplace(
                        std::hash<std::string>()(FoldedQuery(CellOf(shop.seo, row, 0))), row);
            });
    } else if (stock) {
        read("SELECT product_id, quantity FROM product ORDER BY product_id", [&](ResultRows& r) {
            for (int row = 0; row < r.rowCount(); ++row)
                shop.quantities.emplace_hint(shop.quantities.end(), r.integer(row, 0),
                                             r.integer(row, 1));
        });
    }
    if (specials) {
        read(
            "SELECT product_id, customer_group_id, priority, price, date_end "
            "FROM product_special ORDER BY product_special_id",
            [&](ResultRows& r) { shop.specials = std::move(r); });
    }
    std::vector<ResultRows> results = meanwhile ? batch.execute(meanwhile) : batch.execute();
    for (size_t k = 0; k < take.size(); ++k) take[k](results[k]);
    return shop;
}

bool CatalogueValues::makeSome() {
    const size_t products = catalogue_.products.size();
    const size_t end = std::min(made_ + 500, products);
    for (; made_ < end; ++made_) {
        descriptionSum(made_);
        keyword(catalogue_.groups.size() + made_);
    }
    if (made_ < products) return true;
    for (size_t g = 0; g < catalogue_.groups.size(); ++g) keyword(g);
    return false;
}

const std::string& CatalogueValues::descriptionSum(size_t product) {
    std::string& sum = sums_[product];
    if (sum.empty()) {
        const ProductRow& p = catalogue_.products[product];
        const QChar separator(0x1f);
        sum = Crc32(p.description + separator + p.name + separator + p.article + QLatin1Char('|') +
                    separator + p.metaDescription + separator + p.metaKeyword);
    }
    return sum;
}

const std::string& CatalogueValues::keyword(size_t k) {
    const size_t groups = catalogue_.groups.size();
    std::string& keyword = keywords_[k];
    if (keyword.empty()) {
        keyword = MakeSeoKeyword(k < groups ? catalogue_.groups[k].name
                                            : catalogue_.products[k - groups].name)
                      .toStdString();
    }
    return keyword;
}

void CompareCatalogue(const Catalogue& catalogue, const ShopHoldings& shop, CatalogueValues& values,
                      ChangeReport& report) {
    CompareGroups(catalogue.groups, shop, report);
    CompareProducts(catalogue.products, shop, report);
    CompareDescriptions(catalogue, shop, values, report);
    CompareLinks(catalogue.products, shop, report);
    CompareKeywords(catalogue, shop, values, report);
}

namespace {

// Each product's name by its ID.
std::unordered_map<int64_t, const QString*> NamesById(const std::vector<ProductRow>& products) {
    std::unordered_map<int64_t, const QString*> names;
    for (const ProductRow& p : products) names.emplace(p.id, &p.name);
    return names;
}

QString NameOf(const std::unordered_map<int64_t, const QString*>& names, int64_t id) {
    const auto it = names.find(id);
    return it == names.end() ? QString() : *it->second;
}

}  // namespace

void CompareSpecials(const std::vector<SpecialPrice>& specials, const ShopHoldings& shop,
                     const std::vector<ProductRow>& names, ChangeReport& report) {
    ChangeSection& section = report.section(Part::SpecialPrices);
    const std::unordered_map<int64_t, const QString*> nameOf = NamesById(names);
    // Each product's rows in the shop, in order; the workbook's specials of a product are
    // matched with them in turn.
    std::unordered_map<int64_t, std::vector<int>> rowsOf;
    for (int row = 0; row < shop.specials.rowCount(); ++row)
        rowsOf[shop.specials.integer(row, 0)].push_back(row);
    std::unordered_map<int64_t, size_t> taken;
    std::vector<Cell> before;
    const std::string dateEnd = "2050-12-31";
    for (const SpecialPrice& s : specials) {
        const std::vector<int>* rows = Find(rowsOf, int64_t{s.productId});
        size_t& k = taken[s.productId];
        const bool found = rows && k < rows->size();
        if (found) RowCells(shop.specials, (*rows)[k++], 1, before);
        const std::string price = Number(s.price);
        CountRow(section, QString::number(s.productId), NameOf(nameOf, s.productId),
                 kSpecialColumns, found ? &before : nullptr, {"1", "999", price, dateEnd});
    }
    for (const auto& [id, rows] : rowsOf) {
        const size_t* matched = Find(taken, id);
        for (size_t k = matched ? *matched : 0; k < rows.size(); ++k)
            section.add({Kind::Removed, QString::number(id), NameOf(nameOf, id), {}, {}, {}});
    }
}

void CompareStock(const std::vector<StockBalance>& balances,
                  const std::map<int64_t, int64_t>& quantities,
                  const std::vector<ProductRow>& names, ChangeReport& report) {
    ChangeSection& section = report.section(Part::Stock);
    const std::unordered_map<int64_t, const QString*> nameOf = NamesById(names);
    // Of an ID given twice the later row's balance stays.
    std::map<int64_t, int64_t> last;
    for (const StockBalance& b : balances) last[b.productId] = b.quantity;
    std::vector<Cell> before(1);
    for (const auto& [id, quantity] : last) {
        const QString shown = NameOf(nameOf, id);
        const int64_t* was = Find(quantities, id);
        if (!was) {
            section.add({Kind::NotInShop, QString::number(id), shown, {}, {}, {}});
            continue;
        }
        const std::string wasText = std::to_string(*was);
        const std::string willText = std::to_string(quantity);
        before[0] = wasText;
        CountRow(section, QString::number(id), shown, kQuantityColumn, &before, {willText});
    }
}

}  // namespace wwweksports
