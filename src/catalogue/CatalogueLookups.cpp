#include "catalogue/CatalogueLookups.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include "shopdb/Query.h"
#include "shopdb/SqlText.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

// Lookups of each kind asked together.
const size_t kStretch = 10000;

// For each lookup number the rows found for it, in the order returned.
std::vector<std::vector<FoundKeyword>> ByNumber(const ResultRows& result, size_t count) {
    std::vector<std::vector<FoundKeyword>> found(count);
    for (int row = 0; row < result.rowCount(); ++row) {
        const size_t k = static_cast<size_t>(result.integer(row, 0)) - 1;
        const auto& keyword = result.rows[static_cast<size_t>(row)][2];
        if (k < count) found[k].push_back({result.integer(row, 1), keyword.value_or("")});
    }
    return found;
}

}  // namespace

void CatalogueLookups::addSeo(const QString& queryText) { seo_.push_back(queryText); }

void CatalogueLookups::addLink(int32_t productId, int32_t categoryId) {
    links_.emplace_back(productId, categoryId);
}

bool CatalogueLookups::full() const { return std::max(seo_.size(), links_.size()) >= kStretch; }

CatalogueLookups::Answers CatalogueLookups::run() {
    Answers answers;
    StatementBatch batch(connection_);
    // The query texts go in as ELT's arguments, not as a table of their own: compared with
    // the column that way they take the column's collation, as the single lookup's
    // parameter does (letter case and trailing blanks do not count), and the index is used.
    std::unique_ptr<Query> seoQuery;
    if (!seo_.empty()) {
        std::string sql = "SELECT l.i, s.seo_url_id, s.keyword FROM " + NumbersTable(seo_.size()) +
                          " AS l JOIN seo_url AS s ON s.query = ELT(l.i";
        for (const QString& text : seo_) sql += ", " + batch.literal(TextValue(text));
        sql += ")";
        seoQuery = std::make_unique<Query>(connection_, QString::fromStdString(sql));
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
    if (seoQuery) answers.seo = ByNumber(results[next++], seo_.size());
    if (linkQuery) {
        std::set<std::pair<int64_t, int64_t>> found;
        const ResultRows& rows = results[next++];
        for (int row = 0; row < rows.rowCount(); ++row)
            found.emplace(rows.integer(row, 0), rows.integer(row, 1));
        for (const auto& [product, category] : links_) {
            answers.links.push_back(found.count({product, category}) != 0 ? product : 0);
        }
    }
    seo_.clear();
    links_.clear();
    return answers;
}

}  // namespace wwweksports
