#include <gtest/gtest.h>

#include "operator/Error.h"
#include "shopdb/Query.h"
#include "shopdb/ShopTestSupport.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

using testing::ConnectTo;
using testing::Rows;
using testing::TestShop;

TEST(StatementBatch, HostileTextThroughTheEscapingComesBackUnchanged) {
    TestShop shop(TestShop::Charset::Utf8mb4);
    shop.exec(
        "CREATE TABLE texts (id INT PRIMARY KEY, body TEXT) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4");
    ShopConnection connection;
    ConnectTo(shop, connection);
    const std::vector<std::string> hostile = {
        "it's \"quoted\"",           "trailing backslash\\",
        std::string("nul\0byte", 8), "multi-byte āčē Жёлтый and 4-byte 😀𝄞",
        "'; DROP TABLE product; --", "\\'; DELETE FROM texts; -- ",
        "a\\\\b\\nc\r\n\t\x1a",
    };
    Query insert(connection, QStringLiteral("INSERT INTO texts (id, body) VALUES (:id, :body)"));
    StatementBatch batch(connection);
    for (size_t i = 0; i < hostile.size(); ++i) {
        insert.setParam(QStringLiteral("id"), static_cast<int64_t>(i));
        insert.setParam(QStringLiteral("body"), hostile[i]);
        batch.add(insert);
    }
    connection.resetCounters();
    batch.execute();
    EXPECT_EQ(connection.counters().roundTrips, 1u);
    EXPECT_EQ(connection.counters().statements, hostile.size());
    for (size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_EQ(shop.value("SELECT body FROM texts WHERE id=" + std::to_string(i)), hostile[i])
            << i;
    }
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM texts"), std::to_string(hostile.size()));
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "0");
    EXPECT_EQ(
        shop.value(
            "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema=DATABASE() AND "
            "table_name='product'"),
        "1");
}

TEST(StatementBatch, ResultsComeInOrderAndAFailureStopsAfterTheStatementsBeforeIt) {
    TestShop shop;
    ShopConnection connection;
    ConnectTo(shop, connection);
    Query link(connection,
               QStringLiteral(
                   "INSERT INTO product_to_category (product_id, category_id) VALUES (:id, 5)"));
    Query check(connection,
                QStringLiteral("SELECT product_id FROM product_to_category WHERE product_id=:id"));
    StatementBatch batch(connection);
    for (int64_t id : {1, 2}) {
        link.setParam(QStringLiteral("id"), id);
        batch.add(link);
    }
    for (int64_t id : {2, 7}) {
        check.setParam(QStringLiteral("id"), id);
        batch.add(check);
    }
    const std::vector<StatementResult> results = batch.execute();
    ASSERT_EQ(results.size(), 4u);
    EXPECT_TRUE(results[0].rows.empty());
    ASSERT_EQ(results[2].rows.size(), 1u);
    EXPECT_EQ(results[2].rows[0][0], std::optional<std::string>("2"));
    EXPECT_TRUE(results[3].rows.empty());

    for (int64_t id : {3, 1, 4}) {  // 1 is there already
        link.setParam(QStringLiteral("id"), id);
        batch.add(link);
    }
    try {
        batch.execute();
        FAIL() << "the repeated link was accepted";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("Duplicate entry")) << e.message().toStdString();
    }
    EXPECT_EQ(shop.rows("SELECT product_id FROM product_to_category ORDER BY product_id"),
              (Rows{{"1"}, {"2"}, {"3"}}));
    // The connection goes on working after the failed batch.
    check.setParam(QStringLiteral("id"), int64_t{3});
    check.open();
    EXPECT_EQ(check.fieldAsInteger(QStringLiteral("product_id")), 3);
}

TEST(StatementBatch, RealNumbersReachTheShopAsTheyDoWhenBound) {
    TestShop shop;
    shop.exec("CREATE TABLE n (id INT PRIMARY KEY, i INT, d DECIMAL(15,4)) ENGINE=MyISAM");
    ShopConnection connection;
    ConnectTo(shop, connection);
    Query insert(connection, QStringLiteral("INSERT INTO n (id, i, d) VALUES (:id, :v, :v)"));
    const double values[] = {0.5, 2.5, -2.5, 2.75, 0.1 + 0.2, 1e-7, 123456.78901};
    StatementBatch batch(connection);
    int64_t id = 0;
    for (double v : values) {
        insert.setParam(QStringLiteral("id"), id++);
        insert.setParam(QStringLiteral("v"), v);
        insert.exec();  // bound through the binary protocol
        insert.setParam(QStringLiteral("id"), 100 + id);
        batch.add(insert);  // written in as a literal
    }
    batch.execute();
    EXPECT_EQ(shop.rows("SELECT i, d FROM n WHERE id < 100 ORDER BY id"),
              shop.rows("SELECT i, d FROM n WHERE id >= 100 ORDER BY id"));
}

}  // namespace
}  // namespace wwweksports
