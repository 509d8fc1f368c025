#include <gtest/gtest.h>

#include "shopdb/SqlText.h"

namespace wwweksports {
namespace {

TEST(SqlText, NamedParametersBecomePlaceholdersAndEveryOtherByteIsKept) {
    const QString text = QStringLiteral(
        "UPDATE product set quantity=:daudzums \t\t\t\t\t\t\t\t where product_id=:isprece");
    const SqlText sql = ParseSqlText(text);
    EXPECT_EQ(sql.positional, "UPDATE product set quantity=? \t\t\t\t\t\t\t\t where product_id=?");
    EXPECT_EQ(sql.paramNames, QStringList({"daudzums", "isprece"}));
    EXPECT_FALSE(sql.multiRow);
}

TEST(SqlText, ColonsInsideQuotesAndCommentsAreNotParameters) {
    const SqlText sql =
        ParseSqlText(QStringLiteral("SELECT ':a', \":b\", `:c` -- :d\n, /* :e */ x FROM t WHERE y "
                                    "= 'it''s :f' AND z=:g AND w = 'a\\':h'"));
    EXPECT_EQ(sql.paramNames, QStringList({"g"}));
    EXPECT_EQ(sql.positional,
              "SELECT ':a', \":b\", `:c` -- :d\n, /* :e */ x FROM t WHERE y = 'it''s :f' AND z=? "
              "AND w = 'a\\':h'");
}

TEST(SqlText, RepeatedNamesGetAPlaceholderEach) {
    const SqlText sql = ParseSqlText(QStringLiteral("INSERT INTO t (a, b) VALUES (:id, :id)"));
    EXPECT_EQ(sql.paramNames, QStringList({"id", "id"}));
}

TEST(SqlText, InsertValuesSplitsIntoHeadAndRowTupleWithItsConstants) {
    const QString w8 = QStringLiteral(" \t\t\t\t\t\t\t\t  ");
    const QString text =
        QStringLiteral("INSERT INTO category") + w8 +
        QStringLiteral("(category_id, parent_id, top, status, sort_order) VALUES") + w8 +
        QStringLiteral("(:id, :parent_id, :top, 1, :sort_order)");
    const SqlText sql = ParseSqlText(text);
    ASSERT_TRUE(sql.multiRow);
    EXPECT_EQ(sql.head, ("INSERT INTO category" + w8 +
                         "(category_id, parent_id, top, status, sort_order) VALUES" + w8)
                            .toStdString());
    EXPECT_EQ(sql.tuple, "(?, ?, ?, 1, ?)");
    EXPECT_EQ(sql.tail, "");
    EXPECT_EQ(sql.head + sql.tuple + sql.tail, sql.positional);
}

TEST(SqlText, OnlyAPlainTrailingValuesTupleIsSentAsManyRows) {
    EXPECT_TRUE(ParseSqlText(QStringLiteral("insert into t (a) values (:a)  \n")).multiRow);
    EXPECT_TRUE(
        ParseSqlText(QStringLiteral("INSERT INTO t (a, b) VALUES (:a, CONCAT('(', :b, ')'))"))
            .multiRow);
    EXPECT_FALSE(ParseSqlText(QStringLiteral("INSERT INTO t (a) SELECT :a")).multiRow);
    EXPECT_FALSE(
        ParseSqlText(QStringLiteral("INSERT INTO t (a) VALUES (:a) ON DUPLICATE KEY UPDATE a=:b"))
            .multiRow);
    EXPECT_FALSE(ParseSqlText(QStringLiteral("UPDATE t SET a=:a WHERE b IN (1, 2)")).multiRow);
    EXPECT_FALSE(ParseSqlText(QStringLiteral("INSERT INTO t (a) VALUES (:a), (:b)")).multiRow);
}

}  // namespace
}  // namespace wwweksports
