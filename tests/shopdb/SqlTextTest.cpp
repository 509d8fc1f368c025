#include <gtest/gtest.h>

#include "shopdb/SqlText.h"

namespace wwweksports {
namespace {

TEST(SqlText, NamedParametersBecomePlaceholdersAndEveryOtherByteIsKept) {
    const SqlText sql = ParseSqlText(QStringLiteral(
        "SELECT ':a', \":b\", `:c` -- :d\n, /* :e */ x FROM t WHERE y = 'it''s :f' AND "
        "z=:g \t AND w = 'a\\':h' AND v=:g"));
    EXPECT_EQ(sql.paramNames, QStringList({"g", "g"}));
    EXPECT_EQ(sql.positional,
              "SELECT ':a', \":b\", `:c` -- :d\n, /* :e */ x FROM t WHERE y = 'it''s :f' AND "
              "z=? \t AND w = 'a\\':h' AND v=?");
    EXPECT_FALSE(sql.multiRow);
}

}  // namespace
}  // namespace wwweksports
