#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/SendLists.h"
#include "catalogue/CatalogueWorkbooks.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "shopdb/ShopChecks.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {
namespace {

using testing::ManyProducts;
using testing::ProductSpec;
using testing::RecordingOperator;
using testing::TestShop;
using testing::WriteGroups;
using testing::WriteProducts;

class SendListsRun : public ::testing::Test {
protected:
    void SetUp() override {
        WriteGroups(dir, {{10, 0, 1, "Maize"}});
        std::vector<ProductSpec> products = ManyProducts(3);
        products[1].struck = 2.5;  // on promotion
        WriteProducts(dir, products);
        shop.exec(
            "INSERT INTO product_special (product_id, customer_group_id, priority, price) VALUES "
            "(77, 1, 1, 1)");
    }

    RecordingOperator& makeOperator(bool products, bool specials) {
        Inputs in = shop.inputs(dir.filePath("Preces_web.xlsx"));
        in.products = products;
        in.specials = specials;
        op = std::make_unique<RecordingOperator>(in);
        return *op;
    }

    RunResult run() { return SendLists(connection, workbooks, *op); }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TestShop shop;
    ShopConnection connection;
    Workbooks workbooks;
    std::unique_ptr<RecordingOperator> op;
};

TEST_F(SendListsRun, BothBoxesSendTheCatalogueThenThePricesBetweenTheTwoLogLines) {
    makeOperator(true, true);
    shop.startStatementLog();
    EXPECT_EQ(run(), RunResult::Done);
    EXPECT_EQ(op->processLines(), (QStringList{"Sāk sarakstu sūtīšanu ...", "Saraksti aizsūtīti"}));
    EXPECT_EQ(op->statuses().back(), "Saraksti aizsūtīti !!!");
    EXPECT_EQ(op->events.back().kind, RecordingOperator::Event::ProcessLine);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "3");
    EXPECT_EQ(shop.value("SELECT GROUP_CONCAT(product_id) FROM product_special"), "2");
    // The catalogue's last statement (maintenance off) comes before the prices' delete.
    const auto sent = shop.shopStatements();
    const auto deleteSpecials = std::find(sent.begin(), sent.end(), "DELETE FROM product_special");
    const auto deleteProducts = std::find(sent.begin(), sent.end(), "DELETE FROM product");
    ASSERT_NE(deleteSpecials, sent.end());
    EXPECT_LT(deleteProducts, deleteSpecials);
    EXPECT_EQ(shop.maintenance(), "0");
}

TEST_F(SendListsRun, WithNeitherBoxTheShopIsNotContacted) {
    makeOperator(false, false).editInputs().address = QStringLiteral("127.0.0.1:1");
    EXPECT_EQ(run(), RunResult::Done);
    EXPECT_TRUE(op->messages().isEmpty());
    EXPECT_EQ(op->processLines(), (QStringList{"Sāk sarakstu sūtīšanu ...", "Saraksti aizsūtīti"}));
    EXPECT_EQ(op->statuses(), QStringList{"Saraksti aizsūtīti !!!"});
    EXPECT_EQ(connection.counters().connects, 0u);
}

TEST_F(SendListsRun, OnlyThePricesRunWhenOnlyTheirBoxIsTicked) {
    shop.addProduct(1, 0);
    makeOperator(false, true);
    EXPECT_EQ(run(), RunResult::Done);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "1");  // the catalogue stays as it was
    EXPECT_EQ(shop.value("SELECT GROUP_CONCAT(product_id) FROM product_special"), "2");
}

TEST_F(SendListsRun, AMissingInputStopsBeforeTheLog) {
    makeOperator(true, true).editInputs().workbookPath.clear();
    EXPECT_EQ(run(), RunResult::InputMissing);
    EXPECT_EQ(op->messages(), QStringList{"Nav ievadīts Excel katalogs !!!"});
    EXPECT_TRUE(op->processLines().isEmpty());
    EXPECT_EQ(connection.counters().connects, 0u);
}

TEST_F(SendListsRun, AnUnreachableShopIsReportedByEachUploadAndTheRunDoesNotClaimSuccess) {
    makeOperator(true, true).editInputs().address = QStringLiteral("127.0.0.1:1");
    EXPECT_EQ(run(), RunResult::ConnectionFailed);
    ASSERT_EQ(op->messages().size(), 2);
    for (const QString& m : op->messages()) EXPECT_TRUE(m.startsWith(kConnectionFailedMessage));
    EXPECT_EQ(op->processLines(), QStringList{"Sāk sarakstu sūtīšanu ..."});
    EXPECT_FALSE(op->statuses().contains("Saraksti aizsūtīti !!!"));
}

TEST_F(SendListsRun, AnUnreadableProductsWorkbookEndsTheRunBeforeThePrices) {
    QFile::remove(dir.filePath("Preces_web.xlsx"));
    QFile broken(dir.filePath("Preces_web.xlsx"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a workbook");
    broken.close();
    makeOperator(true, true);
    EXPECT_THROW(run(), Error);
    EXPECT_EQ(op->processLines(), QStringList{"Sāk sarakstu sūtīšanu ..."});
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_special"), "1");  // prices untouched
    EXPECT_EQ(shop.maintenance(), "0");
}

TEST_F(SendListsRun, AShownCategoryErrorKeepsTheRunGoingWithoutTheSuccessText) {
    WriteGroups(dir, {{10, 0, 1, "Maize"}});
    shop.exec(
        "ALTER TABLE category_description ADD CONSTRAINT short_name CHECK (CHAR_LENGTH(name) < 3)");
    makeOperator(true, true);
    EXPECT_EQ(run(), RunResult::Failed);
    EXPECT_EQ(op->messages().size(), 1);
    EXPECT_EQ(shop.value("SELECT GROUP_CONCAT(product_id) FROM product_special"),
              "2");  // the prices still ran
    EXPECT_EQ(op->processLines(), QStringList{"Sāk sarakstu sūtīšanu ..."});
}

}  // namespace
}  // namespace wwweksports
