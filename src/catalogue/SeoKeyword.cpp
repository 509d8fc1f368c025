#include "catalogue/SeoKeyword.h"

namespace wwweksports {
namespace {

// Capital then small form of each letter, so a capital stays a capital. The source ends in
// two "/": the first one always matches, and the second has no partner in the target.
const QString kTransliterationSource = QStringLiteral(
    "ĀāČčĒēĢģĪīĶķĻļŅņŠšŪūŽžАаБбВвГгДдЕеЁёЖжЗзИиЙйКкЛлМмНнОоПпРрСсТтУуФфХхЦцЧчШшЩщЪъЫыЬьЭэЮюЯя//");
const QString kTransliterationTarget = QStringLiteral(
    "AaCcEeGgIiKkLlNnSsUuZzAaBbVvGgDdEeJjZzZzIiIiKkLlMmNnOoPpRrSsTtUuFfHhCcCcSsSs--Ii--EeJjJj-");

}  // namespace

QString TransliterateText(const QString& text, const QString& source, const QString& target) {
    QString result = text;
    for (QChar& c : result) {
        const qsizetype p = source.indexOf(c);
        if (p >= 0 && p < target.size()) c = target.at(p);
    }
    return result;
}

QString MakeSeoKeyword(const QString& name) {
    // QString::replace replaces every occurrence left to right and never searches what it
    // inserted.
    return TransliterateText(name, kTransliterationSource, kTransliterationTarget)
        .replace(QLatin1Char(' '), QLatin1Char('-'))
        .remove(QLatin1Char('"'));
}

}  // namespace wwweksports
