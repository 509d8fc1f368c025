#include <gtest/gtest.h>

#include <QSet>

#include "catalogue/SeoKeyword.h"
#include "workbook/QtPrinting.h"

namespace wwweksports {
namespace {

QString Keyword(const char* utf8Name) { return MakeSeoKeyword(QString::fromUtf8(utf8Name)); }

TEST(SeoKeyword, NamesFromTheCatalogue) {
    const struct {
        const char* name;
        const char* keyword;
    } cases[] = {
        {"Dārza mēbeles", "Darza-mebeles"},
        {"ŽĀVĒTAS ZIVIS", "ZAVETAS-ZIVIS"},
        {"Молоко 2,5%", "Moloko-2,5%"},
        {"Объём", "Ob-jm"},
        {"Щи", "Si"},
        {"Ёлка", "Jlka"},
        {"A/B izmērs", "A-B-izmers"},
        {"  Piens ", "--Piens-"},
        {"a  b", "a--b"},
        {"\"Krēsls Rīga\"", "Kresls-Riga"},
        {"\"\"", ""},
        {"Café ö", "Café-ö"},
        {"Piens\t1l", "Piens\t1l"},  // only U+0020 becomes a hyphen
        {"", ""},
        {"Ābols 🍎 \"Ø\"", "Abols-🍎-Ø"},  // a character outside the BMP is two units, kept
        {"a//b", "a--b"},
        {"Saldējums - 100% (vaniļas)!", "Saldejums---100%-(vanilas)!"},
    };
    for (const auto& c : cases) EXPECT_EQ(Keyword(c.name), QString::fromUtf8(c.keyword)) << c.name;
}

TEST(SeoKeyword, TablesHoldNinetyAndEightyNineCharacters) {
    EXPECT_EQ(kTransliterationSource.size(), 90);
    EXPECT_EQ(kTransliterationTarget.size(), 89);
}

// Every letter pair of the table, capital and small form.
TEST(SeoKeyword, EveryTableLetterBecomesItsPartnerInBothCases) {
    const struct {
        const char* source;
        const char* replacement;
    } pairs[] = {
        {"Āā", "Aa"}, {"Čč", "Cc"}, {"Ēē", "Ee"}, {"Ģģ", "Gg"}, {"Īī", "Ii"}, {"Ķķ", "Kk"},
        {"Ļļ", "Ll"}, {"Ņņ", "Nn"}, {"Šš", "Ss"}, {"Ūū", "Uu"}, {"Žž", "Zz"}, {"Аа", "Aa"},
        {"Бб", "Bb"}, {"Вв", "Vv"}, {"Гг", "Gg"}, {"Дд", "Dd"}, {"Ее", "Ee"}, {"Ёё", "Jj"},
        {"Жж", "Zz"}, {"Зз", "Zz"}, {"Ии", "Ii"}, {"Йй", "Ii"}, {"Кк", "Kk"}, {"Лл", "Ll"},
        {"Мм", "Mm"}, {"Нн", "Nn"}, {"Оо", "Oo"}, {"Пп", "Pp"}, {"Рр", "Rr"}, {"Сс", "Ss"},
        {"Тт", "Tt"}, {"Уу", "Uu"}, {"Фф", "Ff"}, {"Хх", "Hh"}, {"Цц", "Cc"}, {"Чч", "Cc"},
        {"Шш", "Ss"}, {"Щщ", "Ss"}, {"Ъъ", "--"}, {"Ыы", "Ii"}, {"Ьь", "--"}, {"Ээ", "Ee"},
        {"Юю", "Jj"}, {"Яя", "Jj"},
    };
    QSet<QChar> covered;
    for (const auto& pair : pairs) {
        const QString source = QString::fromUtf8(pair.source);
        const QString replacement = QString::fromUtf8(pair.replacement);
        ASSERT_EQ(source.size(), 2) << pair.source;
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(
                TransliterateText(source.mid(i, 1), kTransliterationSource, kTransliterationTarget),
                replacement.mid(i, 1))
                << pair.source << " position " << i;
            covered << source.at(i);
        }
        EXPECT_EQ(MakeSeoKeyword(source), replacement) << pair.source;
    }
    EXPECT_EQ(MakeSeoKeyword(QStringLiteral("/")), QStringLiteral("-"));
    covered << QLatin1Char('/');

    // Nothing in the source table beyond the listed pairs.
    for (const QChar c : kTransliterationSource)
        EXPECT_TRUE(covered.contains(c))
            << "unlisted U+" << QString::number(c.unicode(), 16).toStdString();
}

TEST(SeoKeyword, LatinLookAlikesOfCyrillicLettersStayLatin) {
    // Latin letter, its Cyrillic twin, what the twin becomes.
    const struct {
        char latin;
        char16_t cyrillic;
        char transliterated;
    } twins[] = {{'A', 0x0410, 'A'}, {'B', 0x0412, 'V'}, {'C', 0x0421, 'S'}, {'E', 0x0415, 'E'},
                 {'H', 0x041D, 'N'}, {'P', 0x0420, 'R'}, {'X', 0x0425, 'H'}, {'y', 0x0443, 'u'},
                 {'p', 0x0440, 'r'}, {'c', 0x0441, 's'}, {'x', 0x0445, 'h'}};
    for (const auto& twin : twins) {
        EXPECT_EQ(MakeSeoKeyword(QString(QLatin1Char(twin.latin))),
                  QString(QLatin1Char(twin.latin)));
        EXPECT_EQ(MakeSeoKeyword(QString(QChar(twin.cyrillic))),
                  QString(QLatin1Char(twin.transliterated)));
    }
    // A mixed word: Latin "C", Cyrillic "ВЕТ", Latin "A".
    EXPECT_EQ(MakeSeoKeyword(QStringLiteral("C") + QString::fromUtf8("ВЕТ") + QStringLiteral("A")),
              QStringLiteral("CVETA"));
}

TEST(SeoKeyword, KeywordsKeepTheLengthExceptForRemovedQuotes) {
    const QString name = QString::fromUtf8("Ļoti \"garš\" nosaukums ar Юникод un 🍎 ");
    const QString keyword = MakeSeoKeyword(name);
    EXPECT_EQ(keyword.size(), name.size() - 2);
    EXPECT_EQ(keyword, QString::fromUtf8("Loti-gars-nosaukums-ar-Jnikod-un-🍎-"));
}

TEST(TransliterateText, MatchesExactCodesTakesTheFirstMatchAndNeverReadsPastTheTarget) {
    // Case matters: "a" in the table does not catch "A".
    EXPECT_EQ(TransliterateText(QStringLiteral("Aa"), QStringLiteral("a"), QStringLiteral("x")),
              QStringLiteral("Ax"));
    // The first position wins over a later one for the same character.
    EXPECT_EQ(TransliterateText(QStringLiteral("a"), QStringLiteral("aa"), QStringLiteral("xy")),
              QStringLiteral("x"));
    // A source character without a partner in a shorter target stays.
    EXPECT_EQ(TransliterateText(QStringLiteral("abc"), QStringLiteral("abc"), QStringLiteral("xy")),
              QStringLiteral("xyc"));
    EXPECT_EQ(TransliterateText(QStringLiteral("abc"), QStringLiteral("abc"), QString()),
              QStringLiteral("abc"));
    // Replacements are not transliterated again.
    EXPECT_EQ(TransliterateText(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("bc")),
              QStringLiteral("bc"));
    EXPECT_EQ(TransliterateText(QString(), kTransliterationSource, kTransliterationTarget),
              QString());
}

TEST(ReplaceAllText, ReplacesAdjacentOccurrencesLeftToRightWithoutSearchingInsertedText) {
    const struct {
        const char* text;
        const char* search;
        const char* replacement;
        const char* result;
    } cases[] = {
        {"banana", "a", "aa", "baanaanaa"},  // the inserted "aa" is not searched again
        {"aaaa", "aa", "b", "bb"},           // adjacent occurrences
        {"aaa", "aa", "b", "ba"},            // overlapping: the left one wins
        {"aaa", "aa", "a", "aa"},            // the result holds the search text again
        {"xyx", "x", "", "y"},               // at the start and the end
        {"abc", "abc", "-", "-"},
        {"abc", "abcd", "-", "abc"},  // longer than the text
        {"", "a", "b", ""},
        {"ABab", "a", "-", "AB-b"},  // exact comparison
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceAllText(QString::fromUtf8(c.text), QString::fromUtf8(c.search),
                                 QString::fromUtf8(c.replacement)),
                  QString::fromUtf8(c.result))
            << c.text << " / " << c.search << " / " << c.replacement;
    }
    EXPECT_EQ(ReplaceAllText(QStringLiteral("abc"), QString(), QStringLiteral("-")),
              QStringLiteral("abc"));
}

}  // namespace
}  // namespace wwweksports
