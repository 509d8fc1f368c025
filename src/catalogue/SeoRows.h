// The seo_url rows a catalogue upload queues: for each group and product its query text
// ("category_id=7", "product_id=42") and keyword, looked up in the shop and queued for an
// update of the existing row's keyword or for a new row. The queues are written at the end
// of the upload, category rows first.
#pragma once

#include <QString>

#include "shopdb/ArrayQuery.h"
#include "shopdb/Query.h"

namespace wwweksports {

inline const QString kSeoCheckStatement =
    QStringLiteral("SELECT seo_url_id FROM seo_url WHERE query=:query");
inline const QString kSeoInsertStatement = QStringLiteral(
    "INSERT INTO seo_url \t\t\t\t\t\t\t  (query, keyword, language_id) VALUES \t\t\t\t\t\t\t  "
    "(:query, :keyword, 1)");
inline const QString kSeoUpdateStatement =
    QStringLiteral("UPDATE seo_url SET keyword=:keyword WHERE query=:query");

struct SeoQueues {
    explicit SeoQueues(ShopConnection& connection)
        : fdSeoInsert(connection, kSeoInsertStatement),
          fdSeoCheck(connection, kSeoCheckStatement),
          fdSeoUpdate(connection, kSeoUpdateStatement) {}

    ArrayQuery fdSeoInsert;
    Query fdSeoCheck;
    ArrayQuery fdSeoUpdate;
    int insertCount = 0;
    int updateCount = 0;
};

// Queues the pair for an update of the existing row's keyword when the lookup of the query
// text with fdSeoCheck found a seo_url_id (`existing` not 0), otherwise for a new row. The
// caller has sized the arrays.
void AddSeoRow(SeoQueues& seo, const QString& queryText, const QString& keyword, int64_t existing);

}  // namespace wwweksports
