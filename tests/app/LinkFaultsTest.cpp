#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <thread>

#include "app/Uploads.h"
#include "fixtures/CatalogueWorkbooks.h"
#include "fixtures/FaultyLink.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "shopdb/Query.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {
namespace {

using namespace std::chrono_literals;
using testing::FaultyLink;
using testing::TestShop;

// send-lists of 3,000 products through a link that breaks on cue.
class LinkFaults : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteGroups(dir, {{10, 0, 1, "Maize"}, {11, 10, 2, "Rupjmaize"}});
        std::vector<testing::ProductSpec> products = testing::ManyProducts(3000);
        for (size_t i = 0; i < products.size(); i += 3) products[i].struck = 2.5;
        testing::WriteProducts(dir, products);
    }
    Outcome sendLists(TestShop& to, int port, const char* timeout = "300",
                      const char* wait = "60") {
        Inputs in = to.inputs(dir.filePath("Preces_web.xlsx"));
        in.address = QStringLiteral("127.0.0.1:%1").arg(port);
        in.products = in.specials = true;
        op = testing::RecordingOperator(in);
        ShopConnection connection;
        connection.setParam("Timeout", timeout);
        connection.setParam("LockWait", wait);
        return SendLists(connection, op);
    }
    int retries() const { return op.processLines().filter("sūtīšana sāksies no jauna").size(); }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TestShop shop;
    FaultyLink link{TestShop::serverPort()};
    testing::RecordingOperator op;
};

// A link lost mid-upload: the upload runs again from its start and leaves what an
// undisturbed run leaves.
TEST_F(LinkFaults, ALostLinkIsTriedAgainAndEndsAsAnUndisturbedRun) {
    TestShop undisturbed;
    ASSERT_EQ(sendLists(undisturbed, TestShop::serverPort()), Outcome::Done);
    ASSERT_EQ(op.reports.size(), 1u);
    // What a run reports it changed is what the shop held before its first try.
    QString changed = ChangeLine(op.reports.front().first);
    // clang-format off
    const struct { FaultyLink::Fault fault; std::chrono::milliseconds down; int tries; } cases[] = {
        {FaultyLink::Fault::Cut, 0ms, 1}, {FaultyLink::Fault::Stall, 0ms, 1},
        {FaultyLink::Fault::Restart, 3s, 2}};  // refused at the try after 2 s
    // clang-format on
    for (const auto& c : cases) {
        link.arm(c.fault, 200000, c.down);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(sendLists(shop, link.port(), "2"), Outcome::Done);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
        EXPECT_EQ(retries(), c.tries) << op.processLines().join('\n').toStdString();
        EXPECT_EQ(shop.fingerprint(), undisturbed.fingerprint());
        ASSERT_EQ(op.reports.size(), 1u);
        EXPECT_EQ(ChangeLine(op.reports.front().first), changed);
        changed = QStringLiteral("nekas");  // the next runs find the shop as they leave it
    }
}

TEST_F(LinkFaults, WhenEveryTryFailsTheMessageSaysTheShopIsLeftInMaintenance) {
    link.arm(FaultyLink::Fault::Restart, 200000, 60s);
    try {
        sendLists(shop, link.port());
        ADD_FAILURE() << "the lost link went unnoticed";
    } catch (const Error& e) {
        EXPECT_EQ(e.category(), Error::Category::Database);
        EXPECT_TRUE(e.message().contains("palika apkopes režīmā")) << e.what();
    }
    EXPECT_EQ(retries(), 3);
    EXPECT_EQ(shop.maintenance(), "1");
}

TEST_F(LinkFaults, ARunWaitsForAnotherOnTheSameShopAndGivesUpTouchingNothing) {
    ShopConnection other;  // another run of the same account
    testing::ConnectTo(shop, other);
    const QString name = "CONCAT('WWWEksports ', DATABASE())";
    Query(other, "DO GET_LOCK(" + name + ", 0)").exec();
    const auto before = shop.fingerprint();
    try {
        sendLists(shop, link.port(), "300", "1");
        ADD_FAILURE() << "the run did not wait for the other";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("jau notiek cita sūtīšana") &&
                    e.message().contains("(no localhost:"))
            << e.what();
    }
    EXPECT_EQ(shop.fingerprint(), before);

    std::thread ending([&] {  // the other run ends while this one waits
        std::this_thread::sleep_for(3s);
        Query(other, "DO RELEASE_LOCK(" + name + ")").exec();
    });
    const Outcome outcome = sendLists(shop, link.port());
    ending.join();
    EXPECT_EQ(outcome, Outcome::Done);
    EXPECT_EQ(op.statuses().filter("Gaidu").size(), 3);
    EXPECT_EQ(shop.value("SELECT IS_FREE_LOCK(CONCAT('WWWEksports ', DATABASE()))"), "1");
}

}  // namespace
}  // namespace wwweksports
