#include "catalogue/SeoRows.h"

namespace wwweksports {

// Every new row is for language 1; store_id takes the column's default.
SeoQueues::SeoQueues(ShopConnection& connection)
    : fdSeoInsert(connection, QStringLiteral("INSERT INTO seo_url (query, keyword, language_id) "
                                             "VALUES (:query, :keyword, 1)")),
      fdSeoUpdate("seo_url", "seo_url_id", "keyword",
                  QStringLiteral("UPDATE seo_url SET keyword=:keyword WHERE query=:query")) {}

void AddSeoRow(SeoQueues& seo, const QString& queryText, const QString& keyword,
               const std::vector<FoundKeyword>& existing) {
    if (existing.empty()) {
        seo.fdSeoInsert.setValue(QStringLiteral("query"), seo.insertCount, TextValue(queryText));
        seo.fdSeoInsert.setValue(QStringLiteral("keyword"), seo.insertCount, TextValue(keyword));
        ++seo.insertCount;
        return;
    }
    const Value text = TextValue(keyword);
    for (const FoundKeyword& found : existing) {
        seo.fdSeoUpdate.add(found.row, text);
        seo.fdSeoUpdate.setCurrent(found.row, found.keyword);
    }
    seo.updateRows.push_back(seo.fdSeoUpdate.size());
    ++seo.updateCount;
}

}  // namespace wwweksports
