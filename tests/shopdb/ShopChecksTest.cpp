#include <gtest/gtest.h>

#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "shopdb/ShopChecks.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {
namespace {

using testing::RecordingOperator;
using testing::TestShop;

Inputs Filled() {
    Inputs in;
    in.workbookPath = QStringLiteral("/data/Preces_web.xlsx");
    in.user = QStringLiteral("shop");
    in.password = QStringLiteral("secret");
    return in;
}

TEST(CheckInputs, ReportsOnlyTheFirstEmptyInputInItsOrder) {
    struct Case {
        QString path, user, password, message;
    } cases[] = {
        {"", "", "", "Nav ievadīts Excel katalogs !!!"},
        {"", "u", "", "Nav ievadīts Excel katalogs !!!"},
        {"/x/a.xlsx", "", "", "Nav ievadīts MySQL lietotāja vārds !!!"},
        {"/x/a.xlsx", "u", "", "Nav ievadīts MySQL parole !!!"},
    };
    for (const Case& c : cases) {
        Inputs in;
        in.workbookPath = c.path;
        in.user = c.user;
        in.password = c.password;
        RecordingOperator op(in);
        EXPECT_EQ(CheckInputs(op), kInputMissing);
        EXPECT_EQ(op.messages(), QStringList{c.message});
    }
}

TEST(CheckInputs, BlanksAreNotEmptyAndAddressAndDatabaseAreNotRequired) {
    Inputs in;
    in.workbookPath = QStringLiteral(" ");
    in.user = QStringLiteral(" ");
    in.password = QStringLiteral(" ");
    RecordingOperator op(in);
    EXPECT_EQ(CheckInputs(op), kCheckOk);
    EXPECT_TRUE(op.events.empty());
}

// The parameters are set before the connection is tried, so they can be checked against a
// closed port without a server.
TEST(TestShopConnection, TakesServerAndPortFromTheAddress) {
    struct Case {
        QString address, server, port;
        bool hasPort;
    } cases[] = {
        {"127.0.0.1:1", "127.0.0.1", "1", true},
        {"db.example:33:06", "db.example", "33:06", true},
        {"127.0.0.1:", "127.0.0.1", "", false},
        {":1", "", "1", true},
    };
    for (const Case& c : cases) {
        Inputs in = Filled();
        in.address = c.address;
        in.database = QStringLiteral("opencart");
        RecordingOperator op(in);
        ShopConnection connection;
        EXPECT_EQ(TestShopConnection(connection, op), kNoConnection) << c.address.toStdString();
        EXPECT_EQ(connection.param("Server"), c.server);
        EXPECT_EQ(connection.hasParam("Server"), !c.server.isEmpty());
        EXPECT_EQ(connection.hasParam("Port"), c.hasPort);
        EXPECT_EQ(connection.param("Port"), c.port);
        EXPECT_EQ(connection.param("Database"), "opencart");
        EXPECT_EQ(connection.param("User_Name"), "shop");
        EXPECT_EQ(connection.param("Password"), "secret");
        EXPECT_EQ(connection.param("CharacterSet"), "utf8mb4");
        EXPECT_FALSE(connection.isOpen());
    }
}

TEST(TestShopConnection, AnAddressWithoutPortUsesTheDefaultPortNotOneFromAnEarlierTest) {
    ShopConnection connection;
    Inputs in = Filled();
    in.address = QStringLiteral("127.0.0.1:1");
    RecordingOperator first(in);
    TestShopConnection(connection, first);
    ASSERT_TRUE(connection.hasParam("Port"));

    in.address = QStringLiteral("127.0.0.1");
    in.database.clear();
    RecordingOperator second(in);
    TestShopConnection(connection, second);
    EXPECT_FALSE(connection.hasParam("Port"));
    EXPECT_FALSE(connection.hasParam("Database"));
}

TEST(TestShopConnection, FailureShowsOneMessageWithTheClientsErrorText) {
    Inputs in = Filled();
    in.address = QStringLiteral("127.0.0.1:1");
    RecordingOperator op(in);
    ShopConnection connection;
    EXPECT_EQ(TestShopConnection(connection, op), kNoConnection);
    ASSERT_EQ(op.messages().size(), 1);
    const QString message = op.messages().front();
    EXPECT_TRUE(message.startsWith(kConnectionFailedMessage)) << message.toStdString();
    EXPECT_TRUE(message.contains("127.0.0.1")) << message.toStdString();

    in.address = QStringLiteral("127.0.0.1:port");
    RecordingOperator badPort(in);
    EXPECT_EQ(TestShopConnection(connection, badPort), kNoConnection);
    ASSERT_EQ(badPort.messages().size(), 1);
    EXPECT_TRUE(badPort.messages().front().contains("\"port\""))
        << badPort.messages().front().toStdString();
}

TEST(TestShopConnection, WrongPasswordIsReportedAndAGoodTestLeavesTheConnectionClosedSilently) {
    TestShop shop;
    Inputs in = shop.inputs();
    in.password = QStringLiteral("wrong");
    RecordingOperator wrong(in);
    ShopConnection connection;
    EXPECT_EQ(TestShopConnection(connection, wrong), kNoConnection);
    ASSERT_EQ(wrong.messages().size(), 1);
    EXPECT_TRUE(wrong.messages().front().contains("Access denied"))
        << wrong.messages().front().toStdString();

    connection.resetCounters();
    RecordingOperator good(shop.inputs());
    EXPECT_EQ(TestShopConnection(connection, good), kCheckOk);
    EXPECT_TRUE(good.events.empty());
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(connection.counters().connects, 1u);
}

TEST(TestShopConnection, UnknownDatabaseIsAConnectionFailure) {
    TestShop shop;
    Inputs in = shop.inputs();
    in.database = QStringLiteral("no_such_shop");
    RecordingOperator op(in);
    ShopConnection connection;
    EXPECT_EQ(TestShopConnection(connection, op), kNoConnection);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages().front().contains("no_such_shop"))
        << op.messages().front().toStdString();
}

}  // namespace
}  // namespace wwweksports
