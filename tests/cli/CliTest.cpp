#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTextStream>

#include "cli/CliMain.h"
#include "cli/CliOptions.h"
#include "fixtures/CatalogueWorkbooks.h"
#include "fixtures/TestShop.h"
#include "settings/SettingsStore.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

TEST(CliOptions, TakeTheContractOverTheSavedInputsAndRefuseTheRest) {
    QString error;
    const auto options =
        ParseCliOptions({"--address", "db:3307", "--database=shop", "--user", "anna",
                         "--password-env", "CLI_TEST_PW", "--workbooks", "/data", "--tls",
                         "Verify-Identity", "--tls-ca=/ca.pem", "--tls-cert", "/c.pem", "--tls-key",
                         "/k.pem", "send-lists", "--no-products", "--specials"},
                        error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->command, CliOptions::Command::SendLists);
    Inputs in;
    in.products = true;
    qputenv("CLI_TEST_PW", "from-env");
    ASSERT_TRUE(ApplyCliOptions(*options, in, error));
    EXPECT_EQ(QStringList({in.address, in.database, in.user, in.password, in.workbookPath,
                           in.tlsMode, in.tlsCa, in.tlsCert, in.tlsKey}),
              QStringList({"db:3307", "shop", "anna", "from-env", "/data", "verify-identity",
                           "/ca.pem", "/c.pem", "/k.pem"}));
    EXPECT_FALSE(in.products);
    EXPECT_TRUE(in.specials);
    qunsetenv("CLI_TEST_PW");
    EXPECT_FALSE(ApplyCliOptions(*options, in, error));
    EXPECT_TRUE(error.contains("CLI_TEST_PW"));
    // A folder stands for a file in it: the workbooks are looked for beside that file.
    const QTemporaryDir folder;
    ASSERT_TRUE(ApplyCliOptions(
        *ParseCliOptions({"--workbooks", folder.path(), "send-stock"}, error), in, error));
    EXPECT_EQ(WorkbookDirectory(in.workbookPath), folder.path());

    // clang-format off
    for (const QStringList& bad : {QStringList{}, {"send-everything"}, {"--address"},
                                   {"--password", "secret", "send-stock"}, {"--colour", "send-stock"},
                                   {"send-stock", "--products"}, {"send-stock", "send-lists"},
                                   {"--timeout", "0", "send-stock"}, {"--lock-wait=-1", "send-stock"},
                                   {"--timeout", "5s", "send-stock"}, {"--tls", "", "send-stock"},
                                   {"--tls", "verify", "send-stock"}, {"send-stock", "--tls-ca"}}) {
        // clang-format on
        EXPECT_FALSE(ParseCliOptions(bad, error)) << bad.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty() || error.contains("secret"));
    }
}

class CliRun : public ::testing::Test {
protected:
    void SetUp() override {
        shop.addProduct(1, 0);
        shop.addProduct(2, 0);
        std::vector<testing::ProductSpec> products = testing::ManyProducts(2);
        products[0].balance = 11;
        products[0].struck = 3;
        products[1].balance = 22;
        testing::WriteGroups(dir.path(), {{10, 0, 1, "Maize"}});
        testing::WriteProducts(dir.path(), products);
        Inputs saved = shop.inputs(QDir(dir.path()).filePath(kGroupsWorkbook));
        saved.password = QStringLiteral("never-used");
        store.save(saved);
        qputenv("CLI_TEST_PW", testing::TestShop::password());
    }
    int run(QStringList args) {
        out.clear();
        err.clear();
        QTextStream o(&out), e(&err);
        return RunCli(QStringList{"--password-env", "CLI_TEST_PW"} + args, store, o, e);
    }
    std::string quantities() {
        return shop.value("SELECT GROUP_CONCAT(quantity ORDER BY product_id) FROM product");
    }

    QTemporaryDir dir;
    testing::TestShop shop;
    SettingsStore store{QDir(dir.path()).filePath("settings/WWWExp.json")};
    QString out, err;
};

TEST_F(CliRun, ExitStatusAndOutputTellWhatTheRunDid) {
    EXPECT_EQ(run({"send-stock"}), 0) << err.toStdString();
    EXPECT_EQ(quantities(), "11,22");
    EXPECT_TRUE(err.contains("round trips")) << err.toStdString();
    EXPECT_FALSE(err.contains(testing::TestShop::password()) ||
                 out.contains(testing::TestShop::password()));

    EXPECT_EQ(run({"send-lists", "--products", "--specials"}), 0) << err.toStdString();
    EXPECT_EQ(shop.value("SELECT product_id FROM product_special"), "1");
    EXPECT_TRUE(out.contains("Sāk sarakstu sūtīšanu ...") && out.contains("Saraksti aizsūtīti"))
        << out.toStdString();
    EXPECT_TRUE(err.contains("Saraksti aizsūtīti !!!"));

    EXPECT_EQ(run({"--address", "127.0.0.1:1", "send-lists", "--products"}), 3);
    EXPECT_TRUE(err.contains("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! "))
        << err.toStdString();
    EXPECT_FALSE(out.contains("Saraksti aizsūtīti") || err.contains("Saraksti aizsūtīti !!!"));

    qputenv("CLI_TEST_EMPTY", "");
    EXPECT_EQ(run({"--password-env", "CLI_TEST_EMPTY", "send-stock"}), 2);
    EXPECT_TRUE(err.contains("Nav ievadīts MySQL parole !!!")) << err.toStdString();

    EXPECT_EQ(run({"--workbooks", "/nonexistent/x.xlsx", "send-stock"}), 1);
    EXPECT_TRUE(err.contains("/nonexistent")) << err.toStdString();
    EXPECT_EQ(run({"send-stock", "--specials"}), 2);  // a usage error
    shop.exec("DO GET_LOCK(CONCAT('WWWEksports ', DATABASE()), 0)");  // another run
    EXPECT_EQ(run({"--lock-wait", "0", "send-stock"}), 1);
    EXPECT_TRUE(err.contains("jau notiek cita sūtīšana") && err.contains("gaidīju 0 s"))
        << err.toStdString();
    shop.exec("DO RELEASE_LOCK(CONCAT('WWWEksports ', DATABASE()))");
    EXPECT_EQ(run({"test-connection"}), 0);
    EXPECT_TRUE(err.contains(QStringLiteral("Savienojums ar 127.0.0.1:%1 nav šifrēts")
                                 .arg(testing::TestShop::serverPort())))
        << err.toStdString();
    // The private server speaks no TLS: a mode that needs it refuses before any upload.
    EXPECT_EQ(run({"--tls", "required", "send-stock"}), 3);
    EXPECT_TRUE(err.contains("Savienojuma drošība required ar 127.0.0.1: serveris nepiedāvā TLS"))
        << err.toStdString();

    Inputs saved;
    EXPECT_EQ(store.restore(saved), QStringList());
    EXPECT_EQ(saved.password, "never-used");  // options are never saved
}

}  // namespace
}  // namespace wwweksports
