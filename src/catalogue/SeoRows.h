// The seo_url rows a catalogue upload queues: for each group and product its query text
// ("category_id=7", "product_id=42") and keyword, queued for an update of the keyword of the
// rows the shop has with that query text, else for a new row. The queues are written at the
// end of the upload, category rows first.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "catalogue/CatalogueLookups.h"
#include "shopdb/ArrayQuery.h"
#include "shopdb/BulkWriter.h"

namespace wwweksports {

struct SeoQueues {
    explicit SeoQueues(ShopConnection& connection);

    ArrayQuery fdSeoInsert;
    // The keyword updates by seo_url_id: queued update k covers the rows
    // updateRows[k] .. updateRows[k + 1] - 1.
    KeyedUpdate fdSeoUpdate;
    std::vector<size_t> updateRows{0};
    int insertCount = 0;
    int updateCount = 0;
};

// Queues the pair for an update of the rows the lookup of the query text found (`existing`),
// or for a new row when it found none. The caller has sized the insert array.
void AddSeoRow(SeoQueues& seo, const QString& queryText, const QString& keyword,
               const std::vector<FoundKeyword>& existing);

}  // namespace wwweksports
