// The answers a catalogue upload needs from the shop about many rows: which seo_url rows
// have this query text (their seo_url_ids), is this product already linked to this group
// (its product_id). A stretch of rows is asked in one round trip, in queries that compare as
// single lookups would (seo_url.query under its column's collation: letter case and trailing
// blanks do not count).
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace wwweksports {

class ShopConnection;

// A seo_url row a lookup found.
struct FoundKeyword {
    int64_t row;          // seo_url_id
    std::string keyword;  // as the shop holds it
};

class CatalogueLookups {
public:
    explicit CatalogueLookups(ShopConnection& connection);

    void addSeo(const QString& queryText);
    void addLink(int32_t productId, int32_t categoryId);
    // A stretch's worth of lookups is gathered: as many as one round trip takes, up to a
    // catalogue's worth.
    bool full() const;

    struct Answers {
        std::vector<std::vector<FoundKeyword>> seo;  // per addSeo, in order: the rows found
        std::vector<bool> links;  // per addLink, in order: whether the shop has the link
    };
    // Asks what has been gathered since the last call.
    Answers run();

private:
    ShopConnection& connection_;
    std::vector<std::string> seo_;  // the query texts, as UTF-8
    std::vector<std::pair<int32_t, int32_t>> links_;
    size_t bytes_ = 0;  // what the gathered lookups take of the statements' text, at most
    size_t budget_;
};

}  // namespace wwweksports
