#include "catalogue/SeoRows.h"

namespace wwweksports {

// Every new row is for language 1; store_id takes the column's default.
SeoQueues::SeoQueues(ShopConnection& connection)
    : fdSeoInsert(connection, QStringLiteral("INSERT INTO seo_url (query, keyword, language_id) "
                                             "VALUES (:query, :keyword, 1)")),
      fdSeoUpdate(connection,
                  QStringLiteral("UPDATE seo_url SET keyword = :keyword WHERE query = :query")) {}

void AddSeoRow(SeoQueues& seo, const QString& queryText, const QString& keyword, int64_t existing) {
    ArrayQuery& target = existing != 0 ? seo.fdSeoUpdate : seo.fdSeoInsert;
    int& row = existing != 0 ? seo.updateCount : seo.insertCount;
    target.setValue(QStringLiteral("query"), row, TextValue(queryText));
    target.setValue(QStringLiteral("keyword"), row, TextValue(keyword));
    ++row;
}

}  // namespace wwweksports
