#include <gtest/gtest.h>

#include "catalogue/SeoKeyword.h"

namespace wwweksports {
namespace {

TEST(SeoKeyword, TransliteratesLatvianAndCyrillicTurnsBlanksIntoHyphensAndDropsQuotes) {
    const struct {
        const char *name, *keyword;
    } cases[] = {
        {"Dārza mēbeles", "Darza-mebeles"},
        {"ŽĀVĒTAS ZIVIS ĢĪĶĻŅŠŪČ ģīķļņšūč", "ZAVETAS-ZIVIS-GIKLNSUC-giklnsuc"},
        {"Молоко 2,5%", "Moloko-2,5%"},
        {"Объём Щи Ёлка ЪЫЬЭЮЯ", "Ob-jm-Si-Jlka--I-EJJ"},
        {"A/B izmērs", "A-B-izmers"},
        {"  Piens ", "--Piens-"},
        {"a  b", "a--b"},
        {"\"Krēsls Rīga\"", "Kresls-Riga"},
        {"\"\"", ""},
        {"Café ö ą", "Café-ö-ą"},    // letters outside the tables stay
        {"Piens\t1l", "Piens\t1l"},  // only U+0020 becomes a hyphen
        {"Ābols 🍎 \"Ø\"", "Abols-🍎-Ø"},
        {"CВЕТA ABCEHPXypcx", "CVETA-ABCEHPXypcx"},  // Latin look-alikes stay Latin
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeSeoKeyword(QString::fromUtf8(c.name)), QString::fromUtf8(c.keyword))
            << c.name;
}

}  // namespace
}  // namespace wwweksports
