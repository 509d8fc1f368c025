// Search-friendly URL keywords for the shop's seo_url table. A group's or product's name is
// transliterated character by character (Latvian letters with diacritics and Russian
// Cyrillic to Latin, "/" to "-"), blanks become hyphens and double quotes are dropped;
// letter case, length and all other characters stay as they are.
#pragma once

#include <QString>

namespace wwweksports {

// The transliteration tables: the character at position p of the source becomes the
// character at position p of the target. The source holds 90 characters, the target 89.
extern const QString kTransliterationSource;
extern const QString kTransliterationTarget;

// Each 16-bit character of `text` found in `source` (first match, exact code) is replaced by
// the target character at the same position; a match without a target partner stays.
QString TransliterateText(const QString& text, const QString& source, const QString& target);

// Every non-overlapping occurrence of `search`, left to right, replaced by `replacement`;
// inserted text is never searched again. An empty `search` leaves the text unchanged.
QString ReplaceAllText(const QString& text, const QString& search, const QString& replacement);

// The keyword of `name`: transliterated, each blank U+0020 turned into "-", each double quote
// U+0022 removed. Never fails; an empty name gives an empty keyword.
QString MakeSeoKeyword(const QString& name);

}  // namespace wwweksports
