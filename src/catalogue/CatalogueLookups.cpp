#include "catalogue/CatalogueLookups.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "shopdb/BulkWriter.h"
#include "shopdb/Query.h"
#include "shopdb/ShopConnection.h"
#include "shopdb/SqlText.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

// Lookups of each kind asked together at most. seo_url is read in one pass per stretch
// (0.10 s for 52,000 rows here, whether 10,000 or 50,000 texts are asked), so a stretch
// takes as many as a round trip holds.
const size_t kStretch = 100000;
// Room in the round trip for the statements' own words and one more product's lookups.
const size_t kRoom = 2048;

void SortByRow(std::vector<std::vector<FoundKeyword>>& found) {
    for (auto& rows : found) {
        std::sort(rows.begin(), rows.end(),
                  [](const FoundKeyword& a, const FoundKeyword& b) { return a.row < b.row; });
    }
}

// For each lookup number (column 0) the rows found for it (seo_url_id, keyword).
std::vector<std::vector<FoundKeyword>> ByNumber(const ResultRows& result, size_t count) {
    std::vector<std::vector<FoundKeyword>> found(count);
    for (int row = 0; row < result.rowCount(); ++row) {
        const size_t k = static_cast<size_t>(result.integer(row, 0)) - 1;
        if (k < count)
            found[k].push_back({result.integer(row, 1), std::string(result.cell(row, 2))});
    }
    SortByRow(found);
    return found;
}

// For each query text (as UTF-8) the rows (seo_url_id, keyword, query) whose query is that
// very text; nothing when a row's query is another spelling the collation matches.
std::optional<std::vector<std::vector<FoundKeyword>>> ByText(
    const ResultRows& result, const std::vector<std::string>& texts) {
    std::unordered_map<std::string_view, size_t> index;
    index.reserve(texts.size());
    for (size_t k = 0; k < texts.size(); ++k) index.emplace(texts[k], k);
    std::vector<std::vector<FoundKeyword>> found(texts.size());
    for (int row = 0; row < result.rowCount(); ++row) {
        const auto it = index.find(result.cell(row, 2));
        if (it == index.end()) return std::nullopt;
        found[it->second].push_back({result.integer(row, 0), std::string(result.cell(row, 1))});
    }
    SortByRow(found);
    return found;
}

}  // namespace

CatalogueLookups::CatalogueLookups(ShopConnection& connection)
    : connection_(connection), budget_(RoundTripBudget(connection.maxAllowedPacket())) {}

void CatalogueLookups::addSeo(const QString& queryText) {
    seo_.push_back(queryText.toStdString());
    // Quoted and, at worst, every byte escaped; then ", ".
    bytes_ += 2 * seo_.back().size() + 4;
}

void CatalogueLookups::addLink(int32_t productId, int32_t categoryId) {
    links_.emplace_back(productId, categoryId);
    bytes_ += 26;  // "(-2147483648, -2147483648), "
}

bool CatalogueLookups::full() const {
    return std::max(seo_.size(), links_.size()) >= kStretch || bytes_ + kRoom > budget_;
}

CatalogueLookups::Answers CatalogueLookups::run() {
    Answers answers;
    StatementBatch batch(connection_);
    // The query texts are compared with the column, so they take its collation as the single
    // lookup's parameter does (letter case and trailing blanks do not count). An IN list is
    // one pass over the table; when a row found is spelled otherwise than the text it
    // matches, the texts go again as ELT's arguments joined with the numbers, which tells
    // each row's text.
    std::string eltArguments;
    std::unique_ptr<Query> seoQuery;
    if (!seo_.empty()) {
        std::string in;
        for (const std::string& text : seo_) {
            const std::string literal = batch.literal(Value(text));
            if (!in.empty()) in += ", ";
            in += literal;
            eltArguments += ", ";
            eltArguments += literal;
        }
        seoQuery = std::make_unique<Query>(
            connection_,
            QString::fromStdString("SELECT s.seo_url_id, s.keyword, s.query FROM seo_url AS s "
                                   "WHERE s.query IN (" +
                                   in + ")"));
        batch.add(*seoQuery);
    }
    // Whole numbers compare exactly: the links found are matched to the lookups here.
    std::unique_ptr<Query> linkQuery;
    if (!links_.empty()) {
        std::string sql =
            "SELECT product_id, category_id FROM product_to_category WHERE (product_id, "
            "category_id) IN (";
        for (size_t k = 0; k < links_.size(); ++k) {
            if (k > 0) sql += ", ";
            sql += "(" + std::to_string(links_[k].first) + ", " + std::to_string(links_[k].second) +
                   ")";
        }
        sql += ")";
        linkQuery = std::make_unique<Query>(connection_, QString::fromStdString(sql));
        batch.add(*linkQuery);
    }
    const std::vector<ResultRows> results = batch.execute();
    size_t next = 0;
    if (seoQuery) {
        auto found = ByText(results[next++], seo_);
        if (!found) {
            const ResultRows rows =
                Query(connection_,
                      QString::fromStdString(
                          "SELECT l.i, s.seo_url_id, s.keyword FROM " + NumbersTable(seo_.size()) +
                          " AS l JOIN seo_url AS s ON s.query = ELT(l.i" + eltArguments + ")"))
                    .exec();
            found = ByNumber(rows, seo_.size());
        }
        answers.seo = std::move(*found);
    }
    if (linkQuery) {
        // Both IDs are 32-bit: one number tells the pair.
        const auto pair = [](int64_t product, int64_t category) {
            return (static_cast<uint64_t>(static_cast<uint32_t>(product)) << 32) |
                   static_cast<uint32_t>(category);
        };
        std::unordered_set<uint64_t> found;
        const ResultRows& rows = results[next++];
        found.reserve(static_cast<size_t>(rows.rowCount()));
        for (int row = 0; row < rows.rowCount(); ++row)
            found.insert(pair(rows.integer(row, 0), rows.integer(row, 1)));
        answers.links.reserve(links_.size());
        for (const auto& [product, category] : links_)
            answers.links.push_back(found.count(pair(product, category)) != 0);
    }
    seo_.clear();
    links_.clear();
    bytes_ = 0;
    return answers;
}

}  // namespace wwweksports
