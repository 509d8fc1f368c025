#include <gtest/gtest.h>

#include "operator/Error.h"
#include "shopdb/ArrayQuery.h"
#include "shopdb/BatchWriter.h"
#include "shopdb/Maintenance.h"
#include "shopdb/Query.h"
#include "shopdb/ShopTestSupport.h"

namespace wwweksports {
namespace {

using testing::ConnectTo;
using testing::RecordingOperator;
using testing::Rows;
using testing::TestShop;

const std::string kSessionSetup = "SET SESSION sql_mode = 'NO_ZERO_IN_DATE,NO_ENGINE_SUBSTITUTION'";

std::string Tabs(int n) { return std::string(static_cast<size_t>(n), '\t'); }

TEST(ShopSession, IsSetUpLikeTheShopsOwnDriverOnEveryConnect) {
    TestShop shop;
    ShopConnection connection;
    ConnectTo(shop, connection);
    for (int round = 0; round < 2; ++round) {
        Query q(
            connection,
            QStringLiteral(
                "SELECT @@SESSION.sql_mode AS m, @@character_set_client AS c, @@autocommit AS a"));
        q.open();
        EXPECT_EQ(q.fieldAsText("m"), "NO_ZERO_IN_DATE,NO_ENGINE_SUBSTITUTION");
        EXPECT_EQ(q.fieldAsText("c"), "utf8mb4");
        EXPECT_EQ(q.fieldAsInteger("a"), 1);
        connection.close();  // the next statement opens a new session on demand
    }
    EXPECT_EQ(connection.counters().connects, 3u);
}

TEST(ShopSession, WaitingOnTheServerRunsTheWaitHookAndTheResultsStayTheSame) {
    TestShop shop;
    ShopConnection connection;
    int calls = 0;
    connection.setWaitHook([&calls] { ++calls; });
    ConnectTo(shop, connection);
    Query slow(connection, QStringLiteral("SELECT SLEEP(0.4) AS s, :t AS t"));
    slow.setParam(QStringLiteral("t"), std::string("teksts"));
    slow.open();
    EXPECT_EQ(slow.fieldAsText("t"), "teksts");
    EXPECT_GE(calls, 5);

    ArrayQuery rows(connection,
                    QStringLiteral("UPDATE setting SET value=:v WHERE `key`='config_name'"));
    rows.setArraySize(3);
    for (int r = 0; r < 3; ++r) rows.setValue(QStringLiteral("v"), r, std::to_string(r));
    rows.execute(3);
    EXPECT_EQ(shop.value("SELECT value FROM setting WHERE `key`='config_name'"), "2");
}

TEST(ShopSession, InsertsLeavingNotNullColumnsUnsetSucceedAsInTheShop) {
    TestShop shop;
    ShopConnection connection;
    ConnectTo(shop, connection);
    Query q(connection,
            QStringLiteral("INSERT INTO category (category_id, parent_id, top, status, sort_order) "
                           "VALUES (:id, 0, 1, 1, 0)"));
    q.setParam(QStringLiteral("id"), int64_t{7});
    q.exec();
    EXPECT_EQ(shop.value("SELECT `column` FROM category WHERE category_id=7"), "0");
}

TEST(Maintenance, StatementTextIsExactAndOnlyTheConfigRowChanges) {
    TestShop shop;
    ShopConnection connection;
    ConnectTo(shop, connection);
    shop.startStatementLog();
    SetShopMaintenance(connection, 1);
    EXPECT_EQ(shop.maintenance(), "1");
    SetShopMaintenance(connection, 1);
    EXPECT_EQ(shop.maintenance(), "1");
    SetShopMaintenance(connection, 0);
    EXPECT_EQ(shop.maintenance(), "0");
    EXPECT_EQ(shop.value("SELECT value FROM setting WHERE code='payment_cod'"), "0");

    const std::string tail = " " + Tabs(7) + " WHERE setting.code='config' " + Tabs(8) +
                             "AND setting.key='config_maintenance'";
    EXPECT_EQ(MaintenanceStatement(1).toStdString(), "UPDATE setting SET value=1" + tail);
    // The first statement opens the session again after the connection test.
    const std::vector<std::string> expected = {kSessionSetup, "UPDATE setting SET value=1" + tail,
                                               "UPDATE setting SET value=1" + tail,
                                               "UPDATE setting SET value=0" + tail};
    EXPECT_EQ(shop.loggedStatements(), expected);
}

TEST(Maintenance, AShopWithoutTheSettingRowIsNoError) {
    TestShop shop;
    shop.exec("DELETE FROM setting WHERE `key`='config_maintenance'");
    ShopConnection connection;
    ConnectTo(shop, connection);
    EXPECT_NO_THROW(SetShopMaintenance(connection, 1));
    EXPECT_NO_THROW(SetShopMaintenance(connection, 0));
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM setting"), "2");
}

const std::vector<std::string> kHostile = {
    "O'Brien \"quoted\" `tick`",
    "back\\slash and trailing backslash\\",
    std::string("nul\0inside", 10),
    "emoji 😀 and 4-byte 𝄞",
    "Latvian āčēģīķļņšūž ĀČĒ, Cyrillic Жёлтый",
    "'); DROP TABLE product; --",
    "tab\tnew line\ncarriage\r",
    "",
};

TEST(ShopValues, HostileTextRoundTripsUnchangedThroughSingleAndArrayExecution) {
    TestShop shop(TestShop::Charset::Utf8mb4);
    shop.exec(
        "CREATE TABLE texts (id INT PRIMARY KEY, body TEXT) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4");
    ShopConnection connection;
    ConnectTo(shop, connection);

    Query single(connection, QStringLiteral("INSERT INTO texts (id, body) VALUES (:id, :body)"));
    ArrayQuery array(connection,
                     QStringLiteral("INSERT INTO texts (id, body) VALUES (:id, :body)"));
    array.setArraySize(static_cast<int>(kHostile.size()));
    for (size_t i = 0; i < kHostile.size(); ++i) {
        single.setParam(QStringLiteral("id"), static_cast<int64_t>(i));
        single.setParam(QStringLiteral("body"), kHostile[i]);
        single.exec();
        array.setValue(QStringLiteral("id"), static_cast<int>(i), static_cast<int64_t>(100 + i));
        array.setValue(QStringLiteral("body"), static_cast<int>(i), kHostile[i]);
    }
    array.execute(static_cast<int>(kHostile.size()));

    for (size_t i = 0; i < kHostile.size(); ++i) {
        EXPECT_EQ(shop.value("SELECT body FROM texts WHERE id=" + std::to_string(i)), kHostile[i]);
        EXPECT_EQ(shop.value("SELECT body FROM texts WHERE id=" + std::to_string(100 + i)),
                  kHostile[i]);
    }
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "0");

    // A value read back through the layer comes back unchanged as well.
    Query read(connection, QStringLiteral("SELECT body FROM texts WHERE id=:id"));
    read.setParam(QStringLiteral("id"), int64_t{4});
    read.open();
    EXPECT_EQ(read.fieldAsText("body").toStdString(), kHostile[4]);
}

TEST(ArrayExecution, MultiRowInsertsStayUnderThePlaceholderLimitAndKeepRowOrder) {
    TestShop shop;
    shop.exec(
        "CREATE TABLE wide (seq INT AUTO_INCREMENT PRIMARY KEY, a INT, b INT, c INT, d INT) "
        "ENGINE=MyISAM");
    ShopConnection connection;
    ConnectTo(shop, connection);
    ArrayQuery q(connection,
                 QStringLiteral("INSERT INTO wide (a, b, c, d) VALUES (:a, :b, :c, :d)"));
    const int rows = 40000;  // 160,000 placeholders
    q.setArraySize(rows);
    for (int r = 0; r < rows; ++r) {
        for (const char* p : {"a", "b", "c", "d"})
            q.setValue(QString::fromLatin1(p), r, int64_t{r});
    }
    connection.maxAllowedPacket();  // opens the session and reads the limit beforehand
    connection.resetCounters();
    q.execute(rows);
    // 65535 / 4 = 16383 rows a statement: 3 statements.
    EXPECT_EQ(connection.counters().statements, 3u);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM wide"), "40000");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM wide WHERE seq <> a + 1 OR b <> a OR d <> a"), "0");
}

TEST(ArrayExecution, LongRowsAreSplitUnderTheServersPacketLimit) {
    TestShop shop;
    shop.exec(
        "CREATE TABLE descr (seq INT AUTO_INCREMENT PRIMARY KEY, id INT, body TEXT) ENGINE=MyISAM");
    ShopConnection connection;
    ConnectTo(shop, connection);
    ArrayQuery q(connection, QStringLiteral("INSERT INTO descr (id, body) VALUES (:id, :body)"));
    const int rows = 2500;
    const std::string body(60000, 'x');  // 2,500 x 60 kB = 150 MB, far over the 16 MiB packet
    q.setArraySize(rows);
    for (int r = 0; r < rows; ++r) {
        q.setValue(QStringLiteral("id"), r, int64_t{r});
        q.setValue(QStringLiteral("body"), r, std::to_string(r) + body);
    }
    q.execute(rows);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM descr"), "2500");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM descr WHERE seq <> id + 1 OR body <> CONCAT(id, "
                         "REPEAT('x', 60000))"),
              "0");
}

TEST(ArrayExecution, ASmallPacketBudgetSplitsStatementsAndWritesTheSameRows) {
    TestShop shop;
    shop.exec(
        "CREATE TABLE t (seq INT AUTO_INCREMENT PRIMARY KEY, id INT, s VARCHAR(100)) "
        "ENGINE=MyISAM");
    ShopConnection connection;
    ConnectTo(shop, connection);
    ArrayQuery q(connection, QStringLiteral("INSERT INTO t (id, s) VALUES (:id, :s)"));
    q.setArraySize(1000);
    for (int r = 0; r < 1000; ++r) {
        q.setValue(QStringLiteral("id"), r, int64_t{r});
        q.setValue(QStringLiteral("s"), r, std::string(static_cast<size_t>(r % 97), 'a'));
    }
    q.setPacketBudgetForTesting(4096);
    connection.resetCounters();
    q.execute(1000);
    EXPECT_GT(connection.counters().statements, 10u);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM t WHERE seq = id + 1 AND LENGTH(s) = id % 97"),
              "1000");
}

TEST(ArrayExecution, ARangeWritesOnlyItsRowsAndOtherStatementsRunRowByRow) {
    TestShop shop;
    for (int id = 1; id <= 5; ++id) shop.addProduct(id, 0);
    ShopConnection connection;
    ConnectTo(shop, connection);
    ArrayQuery q(connection, QStringLiteral("UPDATE product SET quantity=:q WHERE product_id=:id"));
    q.setArraySize(5);
    for (int r = 0; r < 5; ++r) {
        q.setValue(QStringLiteral("id"), r, int64_t{r + 1});
        q.setValue(QStringLiteral("q"), r, int64_t{10 * (r + 1)});
    }
    connection.maxAllowedPacket();  // opens the session beforehand
    connection.resetCounters();
    q.execute(4, 1);
    EXPECT_EQ(connection.counters().statements, 3u);
    const Rows expected = {{"1", "0"}, {"2", "20"}, {"3", "30"}, {"4", "40"}, {"5", "0"}};
    EXPECT_EQ(shop.rows("SELECT product_id, quantity FROM product ORDER BY product_id"), expected);
}

TEST(ArrayExecution, ARejectedRowEndsTheCallWithTheServersErrorAndEarlierStatementsStay) {
    TestShop shop;
    ShopConnection connection;
    ConnectTo(shop, connection);
    ArrayQuery q(
        connection,
        QStringLiteral("INSERT INTO category_to_store (category_id, store_id) VALUES (:id, 0)"));
    q.setArraySize(6);
    const int ids[] = {1, 2, 3, 3, 4, 5};
    for (int r = 0; r < 6; ++r) q.setValue(QStringLiteral("id"), r, int64_t{ids[r]});
    q.setPacketBudgetForTesting(64);  // a few rows a statement
    try {
        q.execute(6);
        FAIL() << "the duplicate row was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.category(), Error::Category::Database);
        EXPECT_TRUE(e.message().contains("1062")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("Duplicate entry")) << e.message().toStdString();
    }
    const std::string count = shop.value("SELECT COUNT(*) FROM category_to_store");
    EXPECT_GE(std::stoi(count), 3);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM category_to_store WHERE category_id IN (4, 5)"),
              "0");
}

TEST(ExecuteInBatches, NamesEachBatchAndTheBatchCount) {
    struct Case {
        int rows;
        QStringList statuses;
    } cases[] = {
        {0, {}},
        {2500, {"Ieraksti: 2500; Paka: 1 no 1"}},
        {2501, {"Ieraksti: 2501; Paka: 1 no 2", "Ieraksti: 2501; Paka: 2 no 2"}},
        {5000, {"Ieraksti: 5000; Paka: 1 no 2", "Ieraksti: 5000; Paka: 2 no 2"}},
    };
    TestShop shop;
    ShopConnection connection;
    ConnectTo(shop, connection);
    for (const Case& c : cases) {
        shop.exec("DELETE FROM product_to_store");
        shop.exec("DELETE FROM category_to_store");
        ArrayQuery first(
            connection,
            QStringLiteral("INSERT INTO product_to_store (product_id, store_id) VALUES (:id, 0)"));
        ArrayQuery second(
            connection,
            QStringLiteral(
                "INSERT INTO category_to_store (category_id, store_id) VALUES (:id, 0)"));
        first.setArraySize(c.rows + 10);  // rows past the row count are never written
        second.setArraySize(c.rows + 10);
        for (int r = 0; r < c.rows + 10; ++r) {
            first.setValue(QStringLiteral("id"), r, int64_t{r + 1});
            second.setValue(QStringLiteral("id"), r, int64_t{r + 1});
        }
        RecordingOperator op;
        op.setStatus(QStringLiteral("before"), StatusRefresh::None);
        shop.startStatementLog();
        ExecuteInBatches({&first, &second}, c.rows, QStringLiteral("Ieraksti: "), op);
        EXPECT_EQ(op.statuses(), QStringList{"before"} + c.statuses) << c.rows;
        for (size_t i = 1; i < op.events.size(); ++i) {
            EXPECT_EQ(op.events[i].refresh, StatusRefresh::RepaintAndProcessEvents);
        }
        EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_to_store"), std::to_string(c.rows));
        EXPECT_EQ(shop.value("SELECT COUNT(*) FROM category_to_store"), std::to_string(c.rows));
        // Within each batch the first query runs before the second.
        std::string order;
        for (const std::string& s : shop.shopStatements())
            order += s.find("product_to_store") != std::string::npos ? 'P' : 'C';
        EXPECT_EQ(order, c.rows == 0 ? "" : c.rows == 2500 ? "PC" : "PCPC") << c.rows;
    }
}

TEST(ExecuteInBatches, BatchCountRoundsUp) {
    EXPECT_EQ(BatchCount(0), 0);
    EXPECT_EQ(BatchCount(1), 1);
    EXPECT_EQ(BatchCount(2500), 1);
    EXPECT_EQ(BatchCount(2501), 2);
    EXPECT_EQ(BatchCount(5230), 3);
}

TEST(ShopErrors, ALostConnectionIsReportedAndTheNextStatementOpensANewSession) {
    TestShop shop;
    shop.addProduct(1, 0);
    ShopConnection connection;
    ConnectTo(shop, connection);
    Query id(connection, QStringLiteral("SELECT CONNECTION_ID() AS id"));
    id.open();
    const std::string first = id.fieldAsText("id").toStdString();
    shop.exec("KILL " + first);

    Query update(connection, QStringLiteral("UPDATE product SET quantity=:q WHERE product_id=1"));
    update.setParam(QStringLiteral("q"), int64_t{5});
    EXPECT_THROW(update.exec(), Error);
    update.exec();
    EXPECT_EQ(shop.value("SELECT quantity FROM product WHERE product_id=1"), "5");
    id.open();
    EXPECT_NE(id.fieldAsText("id").toStdString(), first);
}

}  // namespace
}  // namespace wwweksports
