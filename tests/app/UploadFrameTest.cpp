#include <gtest/gtest.h>

#include <exception>

#include "app/UploadFrame.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {
namespace {

using testing::RecordingOperator;
using testing::TestShop;

// Ends every session of the shop's account.
void EndSessionsOf(TestShop& shop) {
    for (const auto& row : shop.rows(
             "SELECT ID FROM information_schema.PROCESSLIST WHERE USER = '" + shop.user() + "'")) {
        try {
            shop.exec("KILL CONNECTION " + row[0]);
        } catch (const std::exception&) {
            // A session the last run closed may end on its own meanwhile.
        }
    }
}

const QString kConnectionFailed =
    QStringLiteral("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! ");

TEST(CheckInputs, ShowsOnlyTheFirstEmptyOfPathUserAndPassword) {
    const auto shown = [](const char* path, const char* user, const char* password) {
        Inputs in;
        in.workbookPath = path, in.user = user, in.password = password;
        RecordingOperator op(in);
        const Outcome outcome = CheckInputs(op);
        EXPECT_EQ(outcome == Outcome::InputMissing, op.messages().size() == 1);
        return op.messages().join('|');
    };
    EXPECT_EQ(shown("", "", ""), "Nav ievadīts Excel katalogs !!!");
    EXPECT_EQ(shown("", "u", "p"), "Nav ievadīts Excel katalogs !!!");
    EXPECT_EQ(shown("/x/a.xlsx", "", ""), "Nav ievadīts MySQL lietotāja vārds !!!");
    EXPECT_EQ(shown("/x/a.xlsx", "u", ""), "Nav ievadīts MySQL parole !!!");
    EXPECT_EQ(shown(" ", " ", " "), "");  // blanks are input; address and database not needed
}

// The parameters are set before the connection is tried: a closed port needs no server.
TEST(TestShopConnection, TakesServerAndPortFromTheAddressAndShowsWhyItFailed) {
    const struct {
        QString address, server, port, named;
    } cases[] = {
        {"127.0.0.1:1", "127.0.0.1", "1", "127.0.0.1"},
        {"127.0.0.1", "127.0.0.1", "", "127.0.0.1"},  // the default port, none left behind
        {"db.invalid:33:06", "db.invalid", "33:06", "\"33:06\""},
        {"127.0.0.1:", "127.0.0.1", "", "127.0.0.1"},
        {"127.0.0.1:port", "127.0.0.1", "port", "\"port\""},
    };
    ShopConnection connection;
    for (const auto& c : cases) {
        Inputs in;
        in.address = c.address, in.user = "shop", in.password = "secret";
        RecordingOperator op(in);
        EXPECT_EQ(TestShopConnection(connection, op), Outcome::ConnectionFailed);
        EXPECT_EQ(connection.param("Server") + "|" + connection.param("Port"),
                  c.server + "|" + c.port);
        EXPECT_EQ(connection.hasParam("Port"), !c.port.isEmpty());
        const QString message = op.messages().join('|');
        EXPECT_TRUE(message.startsWith(kConnectionFailed) && message.contains(c.named))
            << message.toStdString();
    }
}

TEST(RunUpload, AShopThatCannotBeReachedAfterTheTestIsAConnectionErrorWithItsMessage) {
    TestShop shop;
    ShopConnection connection;
    RecordingOperator op(shop.inputs());
    try {
        RunUpload(
            connection, op,
            [&](const Inputs&, uint64_t) {
                // The test's session, kept for the run, ends too.
                shop.exec("ALTER USER '" + shop.user() + "'@'%' IDENTIFIED BY 'new'");
                EndSessionsOf(shop);
            },
            [] { return Outcome::Done; });
        FAIL() << "the changed password went unnoticed";
    } catch (const Error& e) {
        EXPECT_EQ(e.category(), Error::Category::Connection);
        EXPECT_TRUE(ErrorMessage(e).startsWith(
            kConnectionFailed + QStringLiteral("Datu bāze neatzina lietotāja vārdu vai paroli")))
            << ErrorMessage(e).toStdString();
    }
    EXPECT_EQ(shop.maintenance(), "0");
}

// The connection test's session goes on with the run; one the server ended while the
// workbooks were read is replaced without a word.
TEST(RunUpload, TheTestsSessionServesTheRunAndOneEndedMeanwhileIsReplacedQuietly) {
    TestShop shop;
    ShopConnection connection;
    RecordingOperator op(shop.inputs());
    for (const bool ended : {false, true}) {
        const uint64_t connects = connection.counters().connects;
        std::string maintenance;
        const Outcome outcome = RunUpload(
            connection, op,
            [&](const Inputs&, uint64_t) {
                if (!ended) return;
                EndSessionsOf(shop);
            },
            [&] {
                maintenance = shop.maintenance();
                return Outcome::Done;
            });
        EXPECT_EQ(outcome, Outcome::Done);
        EXPECT_EQ(maintenance, "1");
        EXPECT_EQ(connection.counters().connects - connects, ended ? 2u : 1u);
        EXPECT_EQ(shop.maintenance(), "0");
    }
    EXPECT_TRUE(op.processLines().isEmpty()) << op.processLines().join('\n').toStdString();
}

}  // namespace
}  // namespace wwweksports
