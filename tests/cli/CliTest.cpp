#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdlib>

#include "catalogue/CatalogueWorkbooks.h"
#include "cli/CliMain.h"
#include "cli/CliOptions.h"
#include "fixtures/TestShop.h"
#include "fixtures/WorkbookBuilder.h"
#include "settings/SettingsStore.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

using testing::TestShop;
using testing::WorkbookBuilder;

TEST(CliOptions, ParsesTheContract) {
    QString error;
    const auto options = ParseCliOptions(
        {"--address", "db:3307", "--database=shop", "--user", "anna", "--password-env", "SHOP_PW",
         "--workbooks", "/data", "send-lists", "--no-products", "--specials"},
        error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->command, CliOptions::Command::SendLists);
    EXPECT_EQ(*options->address, "db:3307");
    EXPECT_EQ(*options->database, "shop");
    EXPECT_EQ(*options->user, "anna");
    EXPECT_EQ(*options->passwordEnv, "SHOP_PW");
    EXPECT_EQ(*options->workbooks, "/data");
    EXPECT_EQ(options->products, false);
    EXPECT_EQ(options->specials, true);
}

TEST(CliOptions, RefusesWhatTheContractDoesNotHave) {
    const QStringList bad[] = {
        {},
        {"send-everything"},
        {"--password", "secret", "send-stock"},
        {"send-stock", "--products"},
        {"--address"},
        {"send-stock", "send-lists"},
        {"--colour", "send-stock"},
    };
    for (const QStringList& args : bad) {
        QString error;
        EXPECT_FALSE(ParseCliOptions(args, error)) << args.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(error.contains("secret"));
    }
}

TEST(CliOptions, OverrideTheSavedInputsAndTakeTheWorkbookFolderOrAFileInIt) {
    QTemporaryDir dir;
    Inputs saved;
    saved.address = QStringLiteral("saved");
    saved.products = true;
    QString error;
    auto options =
        ParseCliOptions({"--workbooks", dir.path(), "send-lists", "--no-products"}, error);
    ASSERT_TRUE(options);
    Inputs in = saved;
    ASSERT_TRUE(ApplyCliOptions(*options, in, error));
    EXPECT_EQ(in.address, "saved");
    EXPECT_FALSE(in.products);
    EXPECT_EQ(WorkbookDirectory(in.workbookPath), dir.path());

    options = ParseCliOptions({"--workbooks", "/data/Preces_web.xlsx", "send-stock"}, error);
    in = saved;
    ASSERT_TRUE(ApplyCliOptions(*options, in, error));
    EXPECT_EQ(in.workbookPath, "/data/Preces_web.xlsx");

    qputenv("WWWEKSPORTS_TEST_PW", "from-env");
    options = ParseCliOptions({"--password-env", "WWWEKSPORTS_TEST_PW", "send-stock"}, error);
    ASSERT_TRUE(ApplyCliOptions(*options, in, error));
    EXPECT_EQ(in.password, "from-env");
    qunsetenv("WWWEKSPORTS_TEST_PW");
    EXPECT_FALSE(ApplyCliOptions(*options, in, error));
    EXPECT_TRUE(error.contains("WWWEKSPORTS_TEST_PW"));
}

class CliRun : public ::testing::Test {
protected:
    void SetUp() override {
        shop.addProduct(1, 0);
        shop.addProduct(2, 0);
        WorkbookBuilder()
            .sheet("Preces")
            .row({"ID", "ATLIKUMS"})
            .row({1, 11})
            .row({2, 22})
            .save(QDir(dir.path()).filePath(kProductsWorkbook).toStdString());
        Inputs saved = shop.inputs(QDir(dir.path()).filePath(kGroupsWorkbook));
        saved.password = QStringLiteral("never-used");  // the saved password is replaced below
        store = std::make_unique<SettingsStore>(QDir(dir.path()).filePath("settings/WWWExp.json"));
        store->save(saved);
        qputenv("WWWEKSPORTS_CLI_PW", TestShop::password());
    }

    int run(QStringList args) {
        out.clear();
        err.clear();
        QTextStream o(&out), e(&err);
        return RunCli(args, *store, o, e);
    }

    QTemporaryDir dir;
    TestShop shop;
    std::unique_ptr<SettingsStore> store;
    QString out, err;
};

TEST_F(CliRun, SendStockUsesTheSavedInputsAndReportsItsRoundTrips) {
    EXPECT_EQ(run({"--password-env", "WWWEKSPORTS_CLI_PW", "send-stock"}), 0) << err.toStdString();
    EXPECT_EQ(shop.value("SELECT GROUP_CONCAT(quantity ORDER BY product_id) FROM product"),
              "11,22");
    EXPECT_TRUE(err.contains("round trips")) << err.toStdString();
    EXPECT_FALSE(err.contains(TestShop::password()));
    EXPECT_FALSE(out.contains(TestShop::password()));
}

TEST_F(CliRun, ExitStatusTellsWhatStoppedTheRun) {
    EXPECT_EQ(run({"--password-env", "WWWEKSPORTS_CLI_PW", "test-connection"}), 0)
        << err.toStdString();

    qputenv("WWWEKSPORTS_CLI_EMPTY", "");
    EXPECT_EQ(run({"--password-env", "WWWEKSPORTS_CLI_EMPTY", "send-stock"}), 2);
    EXPECT_TRUE(err.contains("Nav ievadīts MySQL parole !!!")) << err.toStdString();

    EXPECT_EQ(
        run({"--password-env", "WWWEKSPORTS_CLI_PW", "--address", "127.0.0.1:1", "send-stock"}), 3);
    EXPECT_TRUE(err.contains("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! "))
        << err.toStdString();

    EXPECT_EQ(run({"--password-env", "WWWEKSPORTS_CLI_PW", "--workbooks", "/nonexistent/x.xlsx",
                   "send-stock"}),
              1);
    EXPECT_TRUE(err.contains("/nonexistent")) << err.toStdString();
    EXPECT_EQ(shop.maintenance(), "0");

    Inputs saved;
    store->restore(saved);
    EXPECT_EQ(saved.address, shop.inputs().address);  // options are never saved
    EXPECT_EQ(saved.password, "never-used");

    EXPECT_EQ(run({"send-stock", "--specials"}), 1);
    EXPECT_EQ(shop.value("SELECT GROUP_CONCAT(quantity ORDER BY product_id) FROM product"), "0,0");
}

TEST_F(CliRun, SendListsPublishesWhatTheBoxesChooseAndFailsWithoutTheSuccessText) {
    testing::WriteGroups(dir.path(), {{10, 0, 1, "Maize"}});
    std::vector<testing::ProductSpec> products = testing::ManyProducts(2);
    products[0].struck = 3;
    testing::WriteProducts(dir.path(), products);

    EXPECT_EQ(
        run({"--password-env", "WWWEKSPORTS_CLI_PW", "send-lists", "--products", "--specials"}), 0)
        << err.toStdString();
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "2");
    EXPECT_EQ(shop.value("SELECT product_id FROM product_special"), "1");
    EXPECT_TRUE(out.contains("Sāk sarakstu sūtīšanu ...")) << out.toStdString();
    EXPECT_TRUE(out.contains("Saraksti aizsūtīti")) << out.toStdString();
    EXPECT_TRUE(err.contains("Saraksti aizsūtīti !!!")) << err.toStdString();

    EXPECT_EQ(run({"--password-env", "WWWEKSPORTS_CLI_PW", "--address", "127.0.0.1:1", "send-lists",
                   "--products"}),
              3);
    EXPECT_FALSE(out.contains("Saraksti aizsūtīti")) << out.toStdString();
    EXPECT_FALSE(err.contains("Saraksti aizsūtīti !!!")) << err.toStdString();
}

}  // namespace
}  // namespace wwweksports
