// Search-friendly URL keywords for the shop's seo_url table. A group's or product's name is
// transliterated character by character (Latvian letters with diacritics and Russian
// Cyrillic to Latin, "/" to "-"), blanks become hyphens and double quotes are dropped;
// letter case, length and all other characters stay as they are.
#pragma once

#include <QString>

namespace wwweksports {

// Each 16-bit character of `text` found in `source` (first match, exact code) is replaced by
// the target character at the same position; a match without a target partner stays.
QString TransliterateText(const QString& text, const QString& source, const QString& target);

// The keyword of `name`: transliterated, each blank U+0020 turned into "-", each double quote
// U+0022 removed. Never fails; an empty name gives an empty keyword.
QString MakeSeoKeyword(const QString& name);

}  // namespace wwweksports
