#include "catalogue/SeoRows.h"

namespace wwweksports {

void AddSeoRow(SeoQueues& seo, const QString& queryText, const QString& keyword) {
    seo.fdSeoCheck.close();
    seo.fdSeoCheck.setParam(QStringLiteral("query"), TextValue(queryText));
    seo.fdSeoCheck.open();
    const int64_t existing =
        seo.fdSeoCheck.eof() ? 0 : seo.fdSeoCheck.fieldAsInteger(QStringLiteral("seo_url_id"));
    ArrayQuery& target = existing != 0 ? seo.fdSeoUpdate : seo.fdSeoInsert;
    int& row = existing != 0 ? seo.updateCount : seo.insertCount;
    target.setValue(QStringLiteral("query"), row, TextValue(queryText));
    target.setValue(QStringLiteral("keyword"), row, TextValue(keyword));
    ++row;
}

}  // namespace wwweksports
