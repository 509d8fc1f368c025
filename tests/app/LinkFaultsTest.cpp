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
using testing::RecordingOperator;
using testing::Rows;
using testing::TestShop;

// The tables' checksums without their database's name.
std::vector<std::string> Checksums(TestShop& shop) {
    std::vector<std::string> sums;
    for (const auto& row : shop.fingerprint()) sums.push_back(row.at(1));
    return sums;
}

class LinkFaults : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteGroups(dir, {{10, 0, 1, "Maize"}, {11, 10, 2, "Rupjmaize"}});
        std::vector<testing::ProductSpec> products = testing::ManyProducts(3000);
        for (size_t i = 0; i < products.size(); i += 3) products[i].struck = 2.5;
        testing::WriteProducts(dir, products);
        for (TestShop* s : {&shop, &undisturbed}) s->addSeoUrl("product_id=7", "old");
    }
    // send-lists through the faulty link, with the given timeout and lock wait.
    Outcome sendLists(const char* timeout = "300", const char* lockWait = "60") {
        Inputs in = shop.inputs(dir.filePath("Preces_web.xlsx"));
        in.address = QStringLiteral("127.0.0.1:%1").arg(link.port());
        in.products = in.specials = true;
        op = RecordingOperator(in);
        connection.setParam("Timeout", timeout);
        connection.setParam("LockWait", lockWait);
        return SendLists(connection, op);
    }
    std::vector<std::string> afterUndisturbedRun() {
        Inputs in = undisturbed.inputs(dir.filePath("Preces_web.xlsx"));
        in.products = in.specials = true;
        RecordingOperator quiet(in);
        ShopConnection direct;
        EXPECT_EQ(SendLists(direct, quiet), Outcome::Done);
        return Checksums(undisturbed);
    }
    QStringList retries() const { return op.processLines().filter("sūtīšana sāksies no jauna"); }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TestShop shop, undisturbed;
    FaultyLink link{TestShop::serverPort()};
    ShopConnection connection;
    RecordingOperator op;
};

// A link lost mid-upload: the upload runs again from its start and leaves what an
// undisturbed run leaves.
TEST_F(LinkFaults, ALostLinkIsTriedAgainAndEndsAsAnUndisturbedRun) {
    const struct {
        FaultyLink::Fault fault;
        std::chrono::milliseconds down;
        int tries;
    } cases[] = {{FaultyLink::Fault::Cut, 0ms, 1},
                 {FaultyLink::Fault::Stall, 0ms, 1},
                 {FaultyLink::Fault::Restart, 3s, 2}};  // refused at the try after 2 s
    const std::vector<std::string> expected = afterUndisturbedRun();
    for (const auto& c : cases) {
        link.arm(c.fault, 200000, c.down);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(sendLists("2"), Outcome::Done);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
        EXPECT_EQ(link.faults(), &c - cases + 1);
        EXPECT_EQ(retries().size(), c.tries) << op.processLines().join('\n').toStdString();
        EXPECT_EQ(Checksums(shop), expected);
        EXPECT_EQ(shop.maintenance(), "0");
    }
}

TEST_F(LinkFaults, WhenEveryTryFailsTheMessageSaysTheShopIsLeftInMaintenance) {
    link.arm(FaultyLink::Fault::Restart, 200000, 60s);
    try {
        sendLists();
        FAIL() << "the lost link went unnoticed";
    } catch (const Error& e) {
        EXPECT_EQ(e.category(), Error::Category::Database);
        EXPECT_TRUE(e.message().contains("left in maintenance")) << e.what();
    }
    EXPECT_EQ(retries().size(), 3);
    EXPECT_EQ(shop.maintenance(), "1");
}

TEST_F(LinkFaults, ARunWaitsForAnotherOnTheSameShopAndGivesUpTouchingNothing) {
    ShopConnection other;  // another run of the same account
    testing::ConnectTo(shop, other);
    const auto lock = [&other](const char* call) {
        Query(other, QStringLiteral("DO %1_LOCK(CONCAT('WWWEksports ', DATABASE())%2)")
                         .arg(call, call[0] == 'G' ? ", 0" : ""))
            .exec();
    };
    lock("GET");
    const Rows before = shop.fingerprint();
    try {
        sendLists("300", "1");
        ADD_FAILURE() << "the run did not wait for the other";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("Another upload") &&
                    e.message().contains("(from localhost:"))
            << e.what();
    }
    EXPECT_EQ(shop.fingerprint(), before);

    // The other run ends while this one waits.
    std::thread ending([&] {
        std::this_thread::sleep_for(3s);
        lock("RELEASE");
    });
    const Outcome outcome = sendLists();
    ending.join();
    EXPECT_EQ(outcome, Outcome::Done);
    EXPECT_EQ(op.statuses().filter("Gaidu").size(), 3);
    EXPECT_EQ(shop.value("SELECT IS_FREE_LOCK(CONCAT('WWWEksports ', DATABASE()))"), "1");
}

}  // namespace
}  // namespace wwweksports
