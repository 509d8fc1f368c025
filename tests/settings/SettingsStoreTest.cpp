#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "operator/Error.h"
#include "settings/SettingsStore.h"

namespace wwweksports {
namespace {

class Settings : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("TOLVERN/Zentaro/WWWExp.json")); }

    void writeRaw(const QByteArray& json) {
        SettingsStore(path()).save(Inputs());  // creates the folders
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
    }

    // The window's initial state: fields hold something, boxes unchecked.
    static Inputs Initial() {
        Inputs in;
        in.address = QStringLiteral("initial-ip");
        in.database = QStringLiteral("initial-db");
        in.user = QStringLiteral("initial-user");
        in.password = QStringLiteral("initial-password");
        in.workbookPath = QStringLiteral("initial-path");
        return in;
    }

    Inputs restored() const {
        Inputs in = Initial();
        SettingsStore(path()).restore(in);
        return in;
    }

    QTemporaryDir dir;
};

TEST_F(Settings, FirstStartRestoresNothingAndSavingWritesAllSevenValues) {
    const Inputs in = restored();
    EXPECT_EQ(in.address, "initial-ip");
    EXPECT_FALSE(in.products);

    SettingsStore(path()).save(Inputs());
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject saved = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(saved.keys(),
              QStringList({"E_SHOP_MYSQL_DB", "E_SHOP_MYSQL_IP", "E_SHOP_MYSQL_PASWORD",
                           "E_SHOP_MYSQL_USERNAME", "ExcelDir", "chkPreces", "chkSpecCenas"}));
    EXPECT_TRUE(saved.value("E_SHOP_MYSQL_IP").isString());
    EXPECT_EQ(saved.value("E_SHOP_MYSQL_IP").toString(), "");
    EXPECT_TRUE(saved.value("chkPreces").isDouble());
    EXPECT_EQ(saved.value("chkPreces").toInt(-1), 0);
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // it holds the password
}

TEST_F(Settings, RoundTripKeepsBlanksAndLatvianTextExactly) {
    Inputs in;
    in.address = QStringLiteral(" 10.0.0.5:3307 ");
    in.database = QStringLiteral("veikals");
    in.user = QStringLiteral("  lietotājs");
    in.password = QStringLiteral("pa\"role\\ ");
    in.workbookPath = QStringLiteral("/home/anna/Eksports/Grupas_web.xlsx");
    in.products = true;
    in.specials = false;
    SettingsStore(path()).save(in);
    const Inputs out = restored();
    EXPECT_EQ(out.address, in.address);
    EXPECT_EQ(out.database, in.database);
    EXPECT_EQ(out.user, in.user);
    EXPECT_EQ(out.password, in.password);
    EXPECT_EQ(out.workbookPath, in.workbookPath);
    EXPECT_TRUE(out.products);
    EXPECT_FALSE(out.specials);
}

TEST_F(Settings, MissingStringsEmptyTheirFieldAndMissingBooleansLeaveTheBoxUnchecked) {
    writeRaw(R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_USERNAME": "u", "E_SHOP_MYSQL_PASWORD": "p",
                 "ExcelDir": "/x/a.xlsx"})");
    const Inputs in = restored();
    EXPECT_EQ(in.address, "ip");
    EXPECT_EQ(in.database, "");
    EXPECT_EQ(in.user, "u");
    EXPECT_EQ(in.workbookPath, "/x/a.xlsx");
    EXPECT_FALSE(in.products);
    EXPECT_FALSE(in.specials);
}

TEST_F(Settings, AStringOfTheWrongKindStopsTheStringsAfterItButNotTheBoxes) {
    writeRaw(R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_DB": 5, "E_SHOP_MYSQL_USERNAME": "u",
                 "E_SHOP_MYSQL_PASWORD": "p", "ExcelDir": "/x/a.xlsx", "chkPreces": 1, "chkSpecCenas": 7})");
    const Inputs in = restored();
    EXPECT_EQ(in.address, "ip");
    EXPECT_EQ(in.database, "initial-db");
    EXPECT_EQ(in.user, "initial-user");
    EXPECT_EQ(in.password, "initial-password");
    EXPECT_EQ(in.workbookPath, "initial-path");
    EXPECT_TRUE(in.products);
    EXPECT_TRUE(in.specials);  // any non-zero integer
}

TEST_F(Settings, AMalformedBooleanLeavesOnlyItsBoxUnchecked) {
    for (const char* bad : {R"("1")", "true", "1.5", "null", "[1]", "4294967296"}) {
        writeRaw(QByteArray(R"({"chkPreces": )") + bad + R"(, "chkSpecCenas": 1})");
        const Inputs in = restored();
        EXPECT_FALSE(in.products) << bad;
        EXPECT_TRUE(in.specials) << bad;
    }
}

TEST_F(Settings, AnUnreadableStoreIsReportedAndChangesNothing) {
    writeRaw("{not json");
    Inputs in = Initial();
    EXPECT_THROW(SettingsStore(path()).restore(in), Error);
    EXPECT_EQ(in.address, "initial-ip");
}

}  // namespace
}  // namespace wwweksports
