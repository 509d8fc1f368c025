#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include "cli/CliMain.h"
#include "cli/CliOperator.h"
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
    EXPECT_EQ(run({"send-stock", "--specials"}), 2);                  // a usage error
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

TEST_F(CliRun, CheckPredictsAsJsonAndTheScheduleOptionsKeepTheLogShort) {
    // Nothing listens on port 1: offline, the check needs no shop.
    EXPECT_EQ(run({"--address", "127.0.0.1:1", "--format", "json", "check", "--offline"}), 0)
        << err.toStdString();
    QJsonObject json = QJsonDocument::fromJson(out.toUtf8()).object();
    EXPECT_EQ(json.value("publishable").toBool(), true) << out.toStdString();
    EXPECT_TRUE(json.value("changes").isNull());
    EXPECT_EQ(run({"--address", "127.0.0.1:1", "check"}), 3);

    EXPECT_EQ(run({"--format=json", "check", "--products", "--specials"}), 0) << err.toStdString();
    json = QJsonDocument::fromJson(out.toUtf8()).object();
    EXPECT_EQ(json.value("command").toString(), "check");
    const QJsonObject changes = json.value("changes").toObject();
    EXPECT_EQ(changes.value("products").toObject().value("changed").toInt(), 2);
    EXPECT_EQ(changes.value("stock").toObject().value("changed").toInt(), 2);
    const QJsonObject example =
        changes.value("stock").toObject().value("examples").toArray().at(0).toObject();
    EXPECT_EQ(example.value("old").toString() + ">" + example.value("new").toString(), "0>11");
    EXPECT_EQ(quantities(), "0,0");  // the check wrote nothing

    // Quiet: the errors and the summary of what the run changed, nothing else.
    const QString log = QDir(dir.path()).filePath("state/run.log");  // the folder is made
    EXPECT_EQ(run({"--quiet", "--log-file", log, "send-stock"}), 0) << err.toStdString();
    EXPECT_EQ(out, "");
    EXPECT_TRUE(err.startsWith("Veikalā mainīts:\n") && err.contains("atlikumi"))
        << err.toStdString();
    EXPECT_FALSE(err.contains("Atlikumi aizsūtīti") || err.contains("round trips"));
    EXPECT_EQ(run({"--quiet", "--log-file", log, "send-stock", "--products"}), 2);
    // The log file has every line, each with its date and time.
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.join('\n').contains("Atlikumi aizsūtīti: 2; nav veikalā: 0"));
    for (const QString& line : lines)
        EXPECT_TRUE(QDateTime::fromString(line.left(19), Qt::ISODate).isValid())
            << line.toStdString();

    // The password file: only its owner may read it.
    const QString secret = QDir(dir.path()).filePath("password");
    QFile(secret).remove();
    QFile password(secret);
    ASSERT_TRUE(password.open(QIODevice::WriteOnly));
    password.write(QByteArray(testing::TestShop::password()) + "\n");
    password.close();
    password.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    out.clear();
    err.clear();
    QTextStream o(&out), e(&err);
    EXPECT_EQ(RunCli({"--password-file", secret, "test-connection"}, store, o, e), 2);
    EXPECT_TRUE(err.contains("chmod 600")) << err.toStdString();
    password.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(RunCli({"--password-file", secret, "test-connection"}, store, o, e), 0)
        << err.toStdString();
    EXPECT_EQ(run({"--password-file", secret, "test-connection"}), 2);  // and --password-env

    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_TRUE(out.startsWith("wwweksports-cli ")) << out.toStdString();
    EXPECT_EQ(run({"--verbose", "send-stock"}), 2);
    EXPECT_TRUE(err.contains("Usage: wwweksports-cli"));
}

TEST(CliProgress, OneUpdatingLineOnATerminalElseAStampedLineEvery5SecondsOr10Percent) {
    QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(6, 0, 0));
    QString out, err;
    QTextStream o(&out), e(&err);
    CliOutput output;
    output.clock = [&now] { return now; };
    {
        CliOperator op(Inputs(), o, e, output);
        op.setStatus("Sūtu preču grupas", StatusRefresh::None);
        for (int i = 0; i <= 1000; i += 10) {
            op.setStatus(QStringLiteral("Sūtu preces %1/1000").arg(i), StatusRefresh::None);
            now = now.addMSecs(i < 200 ? 1000 : 100);
        }
        op.setStatus("Paka: 1 no 2", StatusRefresh::None);
        op.setStatus("Paka: 2 no 2", StatusRefresh::None);
    }
    EXPECT_EQ(
        err.split('\n', Qt::SkipEmptyParts),
        QStringList(
            {"Sūtu preču grupas", "2026-12-07T06:00:00 Sūtu preces 0/1000",
             "2026-12-07T06:00:05 Sūtu preces 50/1000", "2026-12-07T06:00:10 Sūtu preces 100/1000",
             "2026-12-07T06:00:15 Sūtu preces 150/1000", "2026-12-07T06:00:20 Sūtu preces 200/1000",
             "2026-12-07T06:00:21 Sūtu preces 300/1000", "2026-12-07T06:00:22 Sūtu preces 400/1000",
             "2026-12-07T06:00:23 Sūtu preces 500/1000", "2026-12-07T06:00:24 Sūtu preces 600/1000",
             "2026-12-07T06:00:25 Sūtu preces 700/1000", "2026-12-07T06:00:26 Sūtu preces 800/1000",
             "2026-12-07T06:00:27 Sūtu preces 900/1000",
             "2026-12-07T06:00:28 Sūtu preces 1000/1000", "2026-12-07T06:00:28 Paka: 1 no 2",
             "2026-12-07T06:00:28 Paka: 2 no 2"}));
    err.clear();
    output.terminal = true;
    {
        CliOperator op(Inputs(), o, e, output);
        op.setStatus("Paka: 1 no 2", StatusRefresh::None);
        op.setStatus("Paka: 2 no 2", StatusRefresh::None);
        op.showMessage("Kļūda");
    }
    EXPECT_EQ(err, "\rPaka: 1 no 2\x1b[K\rPaka: 2 no 2\x1b[K\nKļūda\n");
}

}  // namespace
}  // namespace wwweksports
