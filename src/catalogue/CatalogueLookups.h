// The answers a catalogue upload needs from the shop about many rows: does a seo_url row
// with this query text exist (its seo_url_id), is this product already linked to this group
// (its product_id). Gathered and asked together, a stretch of rows in one round trip, in
// queries that compare exactly as the single lookups do (seo_url.query under its column's
// collation); or, for comparison, each with its own lookup statement.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace wwweksports {

class Query;
class ShopConnection;

class CatalogueLookups {
public:
    // `seoCheck` and `linkCheck` are the single lookups (fdSeoCheck, fdProductCategoryCheck),
    // used one at a time when `oneAtATime`.
    CatalogueLookups(ShopConnection& connection, Query& seoCheck, Query& linkCheck,
                     bool oneAtATime);

    void addSeo(const QString& queryText);
    void addLink(int32_t productId, int32_t categoryId);
    // A stretch's worth of lookups is gathered (one at a time: one row's).
    bool full() const;

    struct Answers {
        std::vector<int64_t> seo;    // per addSeo, in order: seo_url_id found, 0 for none
        std::vector<int64_t> links;  // per addLink, in order: product_id found, 0 for none
    };
    // Asks what has been gathered since the last call.
    Answers run();

    // Lookups of each kind asked together (the numbers table of the seo_url query holds 1000).
    static constexpr int kStretch = 1000;

private:
    ShopConnection& connection_;
    Query& seoCheck_;
    Query& linkCheck_;
    bool oneAtATime_;
    std::vector<QString> seo_;
    std::vector<std::pair<int32_t, int32_t>> links_;
    Answers answered_;  // one at a time: answered as added
};

}  // namespace wwweksports
