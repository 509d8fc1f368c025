#include <gtest/gtest.h>

#include <QThread>

#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "shopdb/ArrayQuery.h"
#include "shopdb/BulkWriter.h"
#include "shopdb/Query.h"
#include "shopdb/ShopConnection.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

using testing::ConnectTo;
using testing::Rows;
using testing::TestShop;

// A connection open on a shop of its own.
class ShopSession : public ::testing::Test {
protected:
    void SetUp() override { ConnectTo(shop, connection); }
    TestShop shop;
    ShopConnection connection;
};
using ArrayExecution = ShopSession;

TEST_F(ShopSession, WaitingOnTheServerRunsTheWaitHook) {
    int calls = 0;
    connection.setWaitHook([&calls] { ++calls; });
    Query slow(connection, QStringLiteral("SELECT SLEEP(0.4) AS s, :t AS v"));
    slow.setParam(QStringLiteral("t"), std::string("teksts"));
    EXPECT_EQ(slow.exec().text(0, QStringLiteral("v")), "teksts");
    EXPECT_GE(calls, 5);
}

// The results of one round trip, NULLs and long values included, whether or not the
// caller's work fills the wait; the work stops once it says it is done.
TEST_F(ShopSession, ResultsKeepEveryValueAndTheWaitCanBeFilled) {
    const std::string longText(300, 'x');
    for (const bool fill : {false, true}) {
        StatementBatch batch(connection);
        batch.add(QStringLiteral("SELECT SLEEP(0.3) AS s"));
        batch.add(
            "SELECT NULL AS a, '' AS b, '" + longText + "' AS c UNION ALL SELECT 7, 'z', NULL",
            QStringLiteral("values"));
        int slices = 0;
        const std::vector<ResultRows> results =
            fill ? batch.execute([&slices] { return ++slices < 50; }) : batch.execute();
        EXPECT_EQ(slices, fill ? 50 : 0);
        ASSERT_EQ(results.size(), 2u);
        const ResultRows& r = results[1];
        ASSERT_EQ(r.rowCount(), 2);
        EXPECT_FALSE(r.value(0, 0).has_value());
        EXPECT_EQ(r.value(0, 1), std::optional<std::string_view>(""));
        EXPECT_EQ(r.text(0, QStringLiteral("C")).toStdString(), longText);
        EXPECT_EQ(r.integer(0, 0) + r.integer(1, 0), 7);
        EXPECT_EQ(r.cell(1, 1), "z");
        EXPECT_FALSE(r.value(1, 2).has_value());
    }
    // Bound statements read their values the same way, a long one fetched again whole.
    Query bound(connection, QStringLiteral("SELECT :t AS t, NULL AS n"));
    bound.setParam(QStringLiteral("t"), longText);
    const ResultRows r = bound.exec();
    EXPECT_EQ(r.text(0, QStringLiteral("t")).toStdString(), longText);
    EXPECT_FALSE(r.value(0, 1).has_value());
}

// A round trip sent without waiting runs on the server while the caller goes on writing the
// next one; the writer's send() then waits for both, in order.
TEST_F(ShopSession, AQueuedRoundTripRunsWhileTheCallerGoesOn) {
    shop.exec("CREATE TABLE t (id INT, later INT)");
    const int64_t session =
        Query(connection, QStringLiteral("SELECT CONNECTION_ID() AS id")).exec().integer(0, 0);
    const std::string running = "SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID = " +
                                std::to_string(session) + " AND INFO LIKE 'DO SLEEP%'";
    BulkWriter writer(connection);
    writer.add("DO SLEEP(2)", QStringLiteral("sleep"));
    writer.add("INSERT INTO t VALUES (1, 0)", QStringLiteral("first"));
    writer.sendQueued();
    // Had the caller waited for the first answer, the sleep would be over by now.
    bool seen = false;
    for (int k = 0; k < 150 && !seen; ++k) {
        seen = shop.value(running) == "1";
        if (!seen) QThread::msleep(10);
    }
    EXPECT_TRUE(seen);
    writer.add("INSERT INTO t SELECT 2, COUNT(*) FROM t", QStringLiteral("second"));
    writer.send();
    EXPECT_EQ(shop.value(running), "0");
    EXPECT_EQ(shop.rows("SELECT id, later FROM t ORDER BY id"), (Rows{{"1", "0"}, {"2", "1"}}));
}

// Bound (single and multi-row statements) and written in as literals (a batch of statements).
TEST(ShopValues, HostileTextAndRealNumbersArriveAsSentOnEveryPath) {
    TestShop shop(TestShop::Charset::Utf8mb4);
    shop.exec(
        "CREATE TABLE t (id INT PRIMARY KEY, body TEXT, d DECIMAL(15,4), i INT) DEFAULT "
        "CHARSET=utf8mb4");
    ShopConnection connection;
    ConnectTo(shop, connection);
    const std::vector<std::pair<std::string, double>> values = {
        {"O'Brien \"quoted\" `tick`", 0.5},        {"trailing backslash\\", 2.5},
        {std::string("nul\0inside", 10), -2.5},    {"āčē Жёлтый 😀 𝄞", 2.75},
        {"'); DROP TABLE product; --", 0.1 + 0.2}, {"\\'; DELETE FROM t; -- ", 1e-7},
        {"a\\\\b\\nc\r\n\t\x1a", 123456.78901},    {"", -0.0},
    };
    const QString insert =
        QStringLiteral("INSERT INTO t (id, body, d, i) VALUES (:id, :body, :v, :v)");
    Query single(connection, insert);
    ArrayQuery array(connection, insert);
    StatementBatch batch(connection);
    const int n = static_cast<int>(values.size());
    array.setArraySize(n);
    for (int k = 0; k < n; ++k) {
        const auto& [body, number] = values[static_cast<size_t>(k)];
        single.setParam(QStringLiteral("id"), int64_t{k});
        single.setParam(QStringLiteral("body"), body);
        single.setParam(QStringLiteral("v"), number);
        single.exec();
        single.setParam(QStringLiteral("id"), int64_t{200 + k});
        batch.add(single);
        array.setValue(QStringLiteral("id"), k, int64_t{100 + k});
        array.setValue(QStringLiteral("body"), k, body);
        array.setValue(QStringLiteral("v"), k, number);
    }
    array.execute(n);
    const auto before = connection.counters();
    batch.execute();
    EXPECT_EQ(connection.counters().roundTrips - before.roundTrips, 1u);
    EXPECT_EQ(connection.counters().statements - before.statements, values.size());
    const auto part = [&shop](int from) {
        return shop.rows("SELECT body, d, i FROM t WHERE id DIV 100 = " + std::to_string(from) +
                         " ORDER BY id");
    };
    const Rows bound = part(0);
    ASSERT_EQ(bound.size(), values.size());
    for (size_t k = 0; k < values.size(); ++k) EXPECT_EQ(bound[k][0], values[k].first) << k;
    EXPECT_EQ(part(1), bound);
    EXPECT_EQ(part(2), bound);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "0");
}

TEST_F(ArrayExecution, ManyRowsGoInFewRoundTripsInRowOrder) {
    shop.exec("CREATE TABLE wide (seq INT AUTO_INCREMENT PRIMARY KEY, a INT, b INT, c INT, d INT)");
    ArrayQuery q(connection,
                 QStringLiteral("INSERT INTO wide (a, b, c, d) VALUES (:a, :b, :c, :d)"));
    const int rows = 40000;  // 160,000 values
    q.setArraySize(rows);
    for (int r = 0; r < rows; ++r) {
        for (const char* p : {"a", "b", "c", "d"})
            q.setValue(QString::fromLatin1(p), r, int64_t{r});
    }
    connection.open();
    const auto before = connection.counters().roundTrips;
    q.execute(rows);
    EXPECT_EQ(connection.counters().roundTrips - before, 1u);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM wide WHERE seq = a + 1 AND b = a AND d = a"),
              "40000");
    EXPECT_THROW(ArrayQuery(connection, QStringLiteral("UPDATE wide SET a = :a")), Error);
}

TEST_F(ArrayExecution, LongRowsAreSplitUnderThePacketLimitAndARefusedRowStopsTheRest) {
    shop.exec("CREATE TABLE t (id INT PRIMARY KEY, body MEDIUMTEXT)");
    ArrayQuery q(connection, QStringLiteral("INSERT INTO t (id, body) VALUES (:id, :body)"));
    const int rows = 300;  // 300 x 64 kB: more than the server's 16 MiB packet
    q.setArraySize(rows);
    for (int r = 0; r < rows; ++r) {
        q.setValue(QStringLiteral("id"), r, int64_t{r == 290 ? 3 : r});  // row 290 repeats an ID
        q.setValue(QStringLiteral("body"), r, std::to_string(r) + std::string(65536, 'x'));
    }
    try {
        q.execute(rows);
        FAIL() << "the repeated ID was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.category(), Error::Category::Database);
        EXPECT_TRUE(e.message().contains("1062")) << e.what();
    }
    // The statements before the refused one are written whole; nothing after it.
    const int written = std::stoi(shop.value("SELECT COUNT(*) FROM t"));
    EXPECT_GT(written, 100);
    EXPECT_LE(written, 290);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM t WHERE body <> CONCAT(id, REPEAT('x', 65536))"),
              "0");
    EXPECT_EQ(shop.value("SELECT MAX(id) = COUNT(*) - 1 FROM t"), "1");
}

// Keyed updates over a table with and without transactions: the end state of one UPDATE per
// row in order, also when a row is refused half-way.
class KeyedUpdates : public ShopSession, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        ShopSession::SetUp();
        shop.exec(std::string("CREATE TABLE t (id INT PRIMARY KEY, q INT, CONSTRAINT small CHECK "
                              "(q < 100)) ENGINE=") +
                  GetParam());
        shop.exec("INSERT INTO t VALUES (1, 0), (2, 0), (3, 0), (4, 0), (5, 0), (6, 0)");
    }
    void write(const std::vector<std::pair<int64_t, int64_t>>& rows) {
        KeyedUpdate update("t", "id", "q", QStringLiteral("UPDATE t SET q = :q WHERE id = :id"));
        for (const auto& [key, value] : rows) update.add(key, value);
        update.readCurrent(connection);
        BulkWriter writer(connection);
        update.write(writer, 0, update.size());
        writer.send();
    }
    std::string values() { return shop.text("SELECT q FROM t ORDER BY id"); }
};

TEST_P(KeyedUpdates, UnknownKeysChangeNothingAndTheLastOfARepeatedKeyStays) {
    write({{1, 10}, {2, 20}, {99, 1}, {2, 21}, {3, 30}, {1, 11}, {5, 0}});
    EXPECT_EQ(values(), "11 | 21 | 30 | 0 | 0 | 0");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM t"), "6");
    // Rows that hold their value already are not sent again.
    const auto before = connection.counters().statements;
    write({{1, 11}, {2, 21}, {3, 30}});
    EXPECT_EQ(connection.counters().statements - before, 2u);  // the reads alone
    // One row of the six changes: looked up by its key, not by a pass over the table.
    write({{1, 11}, {4, 44}, {6, 99}, {6, 60}});
    EXPECT_EQ(values(), "11 | 21 | 30 | 44 | 0 | 60");
}

TEST_P(KeyedUpdates, ARefusedRowLeavesTheRowsBeforeItWrittenAndNoneAfterIt) {
    try {
        write({{6, 6}, {2, 2}, {4, 4}, {1, 500}, {5, 5}, {3, 3}});
        ADD_FAILURE() << "the refused row went unnoticed";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("small")) << e.what();
        EXPECT_TRUE(e.message().contains("UPDATE t SET q = :q WHERE id = :id")) << e.what();
    }
    EXPECT_EQ(values(), "0 | 2 | 0 | 4 | 0 | 6");
}

INSTANTIATE_TEST_SUITE_P(Engines, KeyedUpdates, ::testing::Values("MyISAM", "InnoDB"));

}  // namespace
}  // namespace wwweksports
