#include "app/ShopChanges.h"

#include <QCryptographicHash>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "catalogue/SeoKeyword.h"
#include "shopdb/ShopConnection.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

using Row = ShopHoldings::Row;
using Kind = ChangeExample::Kind;
using Part = ChangeSection::Part;

std::string Cell(const ResultRows& result, int row, int column) {
    return result.rows[static_cast<size_t>(row)][static_cast<size_t>(column)].value_or("");
}

// Columns 1.. of each row, keyed by column 0.
std::map<int64_t, Row> RowsById(const ResultRows& result) {
    std::map<int64_t, Row> rows;
    for (int r = 0; r < result.rowCount(); ++r) {
        Row& row = rows[result.integer(r, 0)];
        for (int c = 1; c < result.columns.size(); ++c) row.push_back(Cell(result, r, c));
    }
    return rows;
}

// Columns 2.. of each row, keyed by columns 0 and 1.
std::map<std::pair<int64_t, int64_t>, Row> RowsByPair(const ResultRows& result) {
    std::map<std::pair<int64_t, int64_t>, Row> rows;
    for (int r = 0; r < result.rowCount(); ++r) {
        Row& row = rows[{result.integer(r, 0), result.integer(r, 1)}];
        for (int c = 2; c < result.columns.size(); ++c) row.push_back(Cell(result, r, c));
    }
    return rows;
}

std::map<int64_t, std::set<int64_t>> SetsById(const ResultRows& result) {
    std::map<int64_t, std::set<int64_t>> sets;
    for (int r = 0; r < result.rowCount(); ++r)
        sets[result.integer(r, 0)].insert(result.integer(r, 1));
    return sets;
}

// A seo_url query as its column compares it: letter case and trailing blanks do not count.
std::string FoldedQuery(const QString& query) {
    QString folded = query.toLower();
    while (folded.endsWith(QLatin1Char(' '))) folded.chop(1);
    return folded.toStdString();
}

// How a column's value is compared: as the column stores it.
enum class Type { Text, Whole, Money, Day, DayTime };

std::string Stored(Type type, const std::string& value) {
    switch (type) {
        case Type::Whole:
            return std::to_string(std::llround(std::strtod(value.c_str(), nullptr)));
        case Type::Money:
            return QString::number(
                       std::llround(std::strtod(value.c_str(), nullptr) * 10000) / 10000.0, 'f', 4)
                .toStdString();
        case Type::Day:
            return value.substr(0, 10);
        case Type::DayTime:
            return value.size() == 10 ? value + " 00:00:00" : value;
        case Type::Text:
            break;
    }
    return value;
}

struct Column {
    const char* name;
    Type type;
};

// The first column whose value would change, as an example; nothing when none would.
std::optional<ChangeExample> FirstChange(const std::vector<Column>& columns, const Row& before,
                                         const Row& after) {
    for (size_t c = 0; c < columns.size(); ++c) {
        const std::string was = Stored(columns[c].type, before[c]);
        const std::string will = Stored(columns[c].type, after[c]);
        if (was != will) {
            ChangeExample e;
            e.column = QString::fromLatin1(columns[c].name);
            e.before = QString::fromStdString(was);
            e.after = QString::fromStdString(will);
            return e;
        }
    }
    return std::nullopt;
}

// Counts one row the upload writes whole: added, changed (with its first changing column) or
// unchanged.
void CountRow(ChangeSection& section, const QString& id, const QString& name,
              const std::vector<Column>& columns, const Row* before, const Row& after) {
    if (!before) {
        section.add({Kind::Added, id, name, {}, {}, {}});
        return;
    }
    std::optional<ChangeExample> change = FirstChange(columns, *before, after);
    if (!change) {
        ++section.unchanged;
        return;
    }
    change->kind = Kind::Changed;
    change->id = id;
    change->name = name;
    section.add(*change);
}

template <typename Map>
const typename Map::mapped_type* Find(const Map& map, const typename Map::key_type& key) {
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

std::string Number(double value) { return QString::number(value, 'g', 17).toStdString(); }

std::string ListText(const std::set<int64_t>& values) {
    QStringList parts;
    for (int64_t v : values) parts << QString::number(v);
    return parts.join(QLatin1Char(',')).toStdString();
}

std::string PathText(const std::set<std::pair<int64_t, int64_t>>& path) {
    QStringList parts;
    for (const auto& [id, level] : path) parts << QStringLiteral("%1@%2").arg(id).arg(level);
    return parts.join(QLatin1Char(',')).toStdString();
}

std::string Md5(const QString& text) {
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().toStdString();
}

QString ShopName(const std::map<std::pair<int64_t, int64_t>, std::string>& names, int64_t id) {
    const auto it = names.lower_bound({id, INT64_MIN});
    return it != names.end() && it->first.first == id ? QString::fromStdString(it->second)
                                                      : QString();
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
const std::vector<Column> kDescriptionColumns = {
    {"name", Type::Text}, {"description", Type::Text},      {"meta_title", Type::Text},
    {"tag", Type::Text},  {"meta_description", Type::Text}, {"meta_keyword", Type::Text}};
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
    std::set<int64_t> ids;
    int64_t topLevel = 0;
    for (const GroupRow& g : groups) {
        ids.insert(g.id);
        const bool top = g.parentId <= 0;
        if (top) ++topLevel;
        std::set<std::pair<int64_t, int64_t>> path;
        for (size_t level = 0; level < g.path.size(); ++level)
            path.insert({g.path[level], static_cast<int64_t>(level)});
        const Row after = {std::to_string(top ? 0 : g.parentId),
                           top ? "1" : "0",
                           "1",
                           std::to_string(g.sortOrder.value_or(topLevel)),
                           "0",
                           PathText(path)};
        std::optional<Row> before;
        if (const Row* row = Find(shop.categories, int64_t{g.id})) {
            before = *row;
            const std::set<int64_t>* stores = Find(shop.categoryStores, int64_t{g.id});
            before->push_back(stores ? ListText(*stores) : std::string());
            const auto* paths = Find(shop.categoryPaths, int64_t{g.id});
            before->push_back(paths ? PathText(*paths) : std::string());
        }
        CountRow(section, g.idText, g.name, kCategoryColumns, before ? &*before : nullptr, after);
    }
    for (const auto& [id, row] : shop.categories) {
        if (ids.count(id) == 0)
            section.add(
                {Kind::Removed, QString::number(id), ShopName(shop.categoryNames, id), {}, {}, {}});
    }
}

QString DescriptionId(const QString& kind, const QString& id, int64_t language) {
    return QStringLiteral("%1%2, valoda %3").arg(kind, id).arg(language);
}

void CompareDescriptions(const Catalogue& catalogue, const ShopHoldings& shop,
                         ChangeReport& report) {
    ChangeSection& section = report.section(Part::Descriptions);
    const QString group = QStringLiteral("grupa ");
    std::set<std::pair<int64_t, int64_t>> groupKeys;
    for (const GroupRow& g : catalogue.groups) {
        for (int64_t language : shop.languages) {
            groupKeys.insert({g.id, language});
            const std::string* name = Find(shop.categoryNames, {int64_t{g.id}, language});
            const Row before = name ? Row{*name} : Row{};
            CountRow(section, DescriptionId(group, g.idText, language), g.name, kNameColumn,
                     name ? &before : nullptr, {g.name.toStdString()});
        }
    }
    for (const auto& [key, name] : shop.categoryNames) {
        if (groupKeys.count(key) == 0)
            section.add({Kind::Removed,
                         DescriptionId(group, QString::number(key.first), key.second),
                         QString::fromStdString(name),
                         {},
                         {},
                         {}});
    }
    std::set<std::pair<int64_t, int64_t>> productKeys;
    for (const ProductRow& p : catalogue.products) {
        const std::string name = p.name.toStdString();
        const Row after = {name,
                           Md5(p.description),
                           name,
                           (p.article + QLatin1Char('|')).toStdString(),
                           p.metaDescription.toStdString(),
                           p.metaKeyword.toStdString()};
        for (int64_t language : shop.languages) {
            productKeys.insert({p.id, language});
            const Row* before = Find(shop.descriptions, {int64_t{p.id}, language});
            CountRow(section, DescriptionId(QString(), p.idText, language), p.name,
                     kDescriptionColumns, before, after);
            // A description is compared by its digest; its example shows its beginning.
            if (section.examples.empty()) continue;
            ChangeExample& last = section.examples.back();
            if (before && last.column == QLatin1String("description") &&
                last.id == DescriptionId(QString(), p.idText, language)) {
                last.before = QString::fromStdString(before->back()) + QStringLiteral("...");
                last.after = p.description.left(60) + QStringLiteral("...");
            }
        }
    }
    for (const auto& [key, row] : shop.descriptions) {
        if (productKeys.count(key) == 0)
            section.add({Kind::Removed,
                         DescriptionId(QString(), QString::number(key.first), key.second),
                         QString::fromStdString(row.front()),
                         {},
                         {},
                         {}});
    }
}

void CompareProducts(const std::vector<ProductRow>& products, const ShopHoldings& shop,
                     ChangeReport& report) {
    ChangeSection& section = report.section(Part::Products);
    std::map<std::pair<int64_t, int64_t>, std::string> names;
    for (const auto& [key, row] : shop.descriptions) names.emplace(key, row.front());
    std::set<int64_t> ids;
    for (const ProductRow& p : products) {
        ids.insert(p.id);
        const Row after = {
            "1", Number(p.price),           p.article.toStdString(),           Number(p.quantity),
            "6", p.dateAdded.toStdString(), std::to_string(p.quantityDecimal), Number(p.minimum),
            "0"};
        std::optional<Row> before;
        if (const Row* row = Find(shop.products, int64_t{p.id})) {
            before = *row;
            const std::set<int64_t>* stores = Find(shop.productStores, int64_t{p.id});
            before->push_back(stores ? ListText(*stores) : std::string());
        }
        CountRow(section, p.idText, p.name, kProductColumns, before ? &*before : nullptr, after);
    }
    for (const auto& [id, row] : shop.products) {
        if (ids.count(id) == 0)
            section.add({Kind::Removed, QString::number(id), ShopName(names, id), {}, {}, {}});
    }
}

QString LinkId(int64_t product, int64_t category) {
    return QStringLiteral("prece %1, grupa %2").arg(product).arg(category);
}

void CompareLinks(const std::vector<ProductRow>& products, const ShopHoldings& shop,
                  ChangeReport& report) {
    ChangeSection& section = report.section(Part::CategoryLinks);
    std::set<std::pair<int64_t, int64_t>> links;
    for (const ProductRow& p : products) {
        if (!links.insert({p.id, p.parentId}).second) continue;
        if (shop.links.count({p.id, p.parentId}) != 0)
            ++section.unchanged;
        else
            section.add({Kind::Added, LinkId(p.id, p.parentId), p.name, {}, {}, {}});
    }
    for (const auto& link : shop.links) {
        if (links.count(link) == 0)
            section.add({Kind::Removed, LinkId(link.first, link.second), {}, {}, {}, {}});
    }
}

void CompareKeywords(const Catalogue& catalogue, const ShopHoldings& shop, ChangeReport& report) {
    ChangeSection& section = report.section(Part::Keywords);
    const auto compare = [&](const QString& query, const QString& name) {
        const Row after = {MakeSeoKeyword(name).toStdString()};
        const std::vector<std::string>* rows = Find(shop.keywords, FoldedQuery(query));
        if (!rows) {
            CountRow(section, query, name, kKeywordColumn, nullptr, after);
            return;
        }
        // Every row the shop has with the query text gets the keyword: the first that
        // changes stands for them.
        Row before = {rows->front()};
        for (const std::string& keyword : *rows)
            if (keyword != after.front()) before = {keyword};
        CountRow(section, query, name, kKeywordColumn, &before, after);
    };
    for (const GroupRow& g : catalogue.groups)
        compare(QStringLiteral("category_id=") + g.idText, g.name);
    for (const ProductRow& p : catalogue.products)
        compare(QStringLiteral("product_id=") + p.idText, p.name);
}

void AddIfMissing(std::vector<int64_t>& values, int64_t value) {
    if (std::find(values.begin(), values.end(), value) == values.end()) values.push_back(value);
}

}  // namespace

ShopHoldings ReadShopHoldings(ShopConnection& connection, bool catalogue, bool specials,
                              bool stock) {
    StatementBatch batch(connection);
    std::vector<std::function<void(const ResultRows&)>> take;
    ShopHoldings shop;
    const auto read = [&](const char* statement, std::function<void(const ResultRows&)> into) {
        batch.add(QString::fromLatin1(statement));
        take.push_back(std::move(into));
    };
    if (catalogue) {
        read("SELECT language_id FROM language", [&](const ResultRows& r) {
            for (int row = 0; row < r.rowCount(); ++row)
                AddIfMissing(shop.languages, r.integer(row, 0));
        });
        read("SELECT category_id, parent_id, top, status, sort_order FROM category",
             [&](const ResultRows& r) { shop.categories = RowsById(r); });
        read("SELECT category_id, store_id FROM category_to_store",
             [&](const ResultRows& r) { shop.categoryStores = SetsById(r); });
        read("SELECT category_id, path_id, level FROM category_path", [&](const ResultRows& r) {
            for (int row = 0; row < r.rowCount(); ++row)
                shop.categoryPaths[r.integer(row, 0)].insert(
                    {r.integer(row, 1), r.integer(row, 2)});
        });
        read("SELECT category_id, language_id, name FROM category_description",
             [&](const ResultRows& r) {
                 for (int row = 0; row < r.rowCount(); ++row)
                     shop.categoryNames[{r.integer(row, 0), r.integer(row, 1)}] = Cell(r, row, 2);
             });
        read(
            "SELECT product_id, status, price, model, quantity, stock_status_id, date_added, "
            "quantity_decimal, minimum FROM product",
            [&](const ResultRows& r) {
                shop.products = RowsById(r);
                for (const auto& [id, row] : shop.products)
                    shop.quantities[id] = std::strtoll(row[3].c_str(), nullptr, 10);
            });
        read("SELECT product_id, store_id FROM product_to_store",
             [&](const ResultRows& r) { shop.productStores = SetsById(r); });
        // The description itself is compared by its digest, its beginning kept for examples.
        read(
            "SELECT product_id, language_id, name, "
            "MD5(CONVERT(description USING utf8mb4)) AS description_digest, meta_title, tag, "
            "meta_description, meta_keyword, LEFT(description, 60) AS description_start "
            "FROM product_description",
            [&](const ResultRows& r) { shop.descriptions = RowsByPair(r); });
        read("SELECT product_id, category_id FROM product_to_category", [&](const ResultRows& r) {
            for (int row = 0; row < r.rowCount(); ++row)
                shop.links.insert({r.integer(row, 0), r.integer(row, 1)});
        });
        read(
            "SELECT query, keyword FROM seo_url "
            "WHERE query LIKE 'category\\_id=%' OR query LIKE 'product\\_id=%' "
            "ORDER BY seo_url_id",
            [&](const ResultRows& r) {
                for (int row = 0; row < r.rowCount(); ++row)
                    shop.keywords[FoldedQuery(QString::fromStdString(Cell(r, row, 0)))].push_back(
                        Cell(r, row, 1));
            });
    } else if (stock) {
        read("SELECT product_id, quantity FROM product", [&](const ResultRows& r) {
            for (int row = 0; row < r.rowCount(); ++row)
                shop.quantities[r.integer(row, 0)] = r.integer(row, 1);
        });
    }
    if (specials) {
        read(
            "SELECT product_id, customer_group_id, priority, price, date_end "
            "FROM product_special ORDER BY product_special_id",
            [&](const ResultRows& r) {
                for (int row = 0; row < r.rowCount(); ++row) {
                    Row values;
                    for (int c = 1; c < 5; ++c) values.push_back(Cell(r, row, c));
                    shop.specials.emplace(r.integer(row, 0), values);
                }
            });
    }
    const std::vector<ResultRows> results = batch.execute();
    for (size_t k = 0; k < take.size(); ++k) take[k](results[k]);
    return shop;
}

void CompareCatalogue(const Catalogue& catalogue, const ShopHoldings& shop, ChangeReport& report) {
    CompareGroups(catalogue.groups, shop, report);
    CompareProducts(catalogue.products, shop, report);
    CompareDescriptions(catalogue, shop, report);
    CompareLinks(catalogue.products, shop, report);
    CompareKeywords(catalogue, shop, report);
}

void CompareSpecials(const std::vector<SpecialPrice>& specials, const ShopHoldings& shop,
                     ChangeReport& report) {
    ChangeSection& section = report.section(Part::SpecialPrices);
    std::map<int64_t, size_t> taken;  // of each product's rows in the shop, how many are matched
    for (const SpecialPrice& s : specials) {
        const auto [first, last] = shop.specials.equal_range(s.productId);
        auto it = first;
        for (size_t k = taken[s.productId]; k > 0 && it != last; --k) ++it;
        const Row* before = it == last ? nullptr : &it->second;
        if (before) ++taken[s.productId];
        CountRow(section, QString::number(s.productId), {}, kSpecialColumns, before,
                 {"1", "999", Number(s.price), "2050-12-31"});
    }
    for (const auto& [id, row] : shop.specials) {
        if (taken[id] > 0) {
            --taken[id];
            continue;
        }
        section.add({Kind::Removed, QString::number(id), {}, {}, {}, {}});
    }
}

void CompareStock(const std::vector<StockBalance>& balances,
                  const std::map<int64_t, int64_t>& quantities,
                  const std::vector<ProductRow>& names, ChangeReport& report) {
    ChangeSection& section = report.section(Part::Stock);
    std::map<int64_t, QString> nameOf;
    for (const ProductRow& p : names) nameOf.emplace(p.id, p.name);
    // Of an ID given twice the later row's balance stays.
    std::map<int64_t, int64_t> last;
    for (const StockBalance& b : balances) last[b.productId] = b.quantity;
    for (const auto& [id, quantity] : last) {
        const QString name = nameOf.count(id) ? nameOf.at(id) : QString();
        const int64_t* before = Find(quantities, id);
        if (!before) {
            section.add({Kind::NotInShop, QString::number(id), name, {}, {}, {}});
            continue;
        }
        const Row was = {std::to_string(*before)};
        CountRow(section, QString::number(id), name, kQuantityColumn, &was,
                 {std::to_string(quantity)});
    }
}

}  // namespace wwweksports
