#include "catalogue/SeoKeyword.h"

namespace wwweksports {

// Capital then small form of each letter, so a capital stays a capital. The source ends in
// two "/": the first one always matches, and the second has no partner in the target.
const QString kTransliterationSource = QStringLiteral(
    "ĀāČčĒēĢģĪīĶķĻļŅņŠšŪūŽžАаБбВвГгДдЕеЁёЖжЗзИиЙйКкЛлМмНнОоПпРрСсТтУуФфХхЦцЧчШшЩщЪъЫыЬьЭэЮюЯя//");
const QString kTransliterationTarget = QStringLiteral(
    "AaCcEeGgIiKkLlNnSsUuZzAaBbVvGgDdEeJjZzZzIiIiKkLlMmNnOoPpRrSsTtUuFfHhCcCcSsSs--Ii--EeJjJj-");

QString TransliterateText(const QString& text, const QString& source, const QString& target) {
    QString result = text;
    for (QChar& c : result) {
        const qsizetype p = source.indexOf(c);
        if (p >= 0 && p < target.size()) c = target.at(p);
    }
    return result;
}

QString ReplaceAllText(const QString& text, const QString& search, const QString& replacement) {
    if (search.isEmpty()) return text;
    QString result;
    result.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(search); at >= 0; at = text.indexOf(search, from)) {
        result += QStringView(text).mid(from, at - from);
        result += replacement;
        from = at + search.size();
    }
    result += QStringView(text).mid(from);
    return result;
}

QString MakeSeoKeyword(const QString& name) {
    QString keyword = TransliterateText(name, kTransliterationSource, kTransliterationTarget);
    keyword = ReplaceAllText(keyword, QStringLiteral(" "), QStringLiteral("-"));
    return ReplaceAllText(keyword, QStringLiteral("\""), QString());
}

}  // namespace wwweksports
