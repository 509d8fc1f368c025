// The seo_url rows a catalogue upload queues: for each group and product its query text
// ("category_id=7", "product_id=42") and keyword, queued for an update of the existing row's
// keyword when the shop has a row with that query text, else for a new row. The queues are
// written at the end of the upload, category rows first.
#pragma once

#include <QString>
#include <cstdint>

#include "shopdb/ArrayQuery.h"

namespace wwweksports {

struct SeoQueues {
    explicit SeoQueues(ShopConnection& connection);

    ArrayQuery fdSeoInsert;
    ArrayQuery fdSeoUpdate;
    int insertCount = 0;
    int updateCount = 0;
};

// Queues the pair for an update when the lookup of the query text found a seo_url_id
// (`existing` not 0), otherwise for a new row. The caller has sized the arrays.
void AddSeoRow(SeoQueues& seo, const QString& queryText, const QString& keyword, int64_t existing);

}  // namespace wwweksports
