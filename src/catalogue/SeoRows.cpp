#include "catalogue/SeoRows.h"

namespace wwweksports {

void AddSeoRow(SeoQueues& seo, const QString& queryText, const QString& keyword, int64_t existing) {
    ArrayQuery& target = existing != 0 ? seo.fdSeoUpdate : seo.fdSeoInsert;
    int& row = existing != 0 ? seo.updateCount : seo.insertCount;
    target.setValue(QStringLiteral("query"), row, TextValue(queryText));
    target.setValue(QStringLiteral("keyword"), row, TextValue(keyword));
    ++row;
}

}  // namespace wwweksports
