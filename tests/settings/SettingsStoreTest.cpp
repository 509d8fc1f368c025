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

QStringList Fields(const Inputs& in) {
    // clang-format off
    return {in.address, in.database, in.user, in.password, in.workbookPath,
            QString::number(in.products), QString::number(in.specials)};
    // clang-format on
}

class Settings : public ::testing::Test {
protected:
    // What the window holds before the store is read.
    Inputs restored() const {
        Inputs in;
        in.address = "ip0", in.database = "db0", in.user = "user0", in.password = "pw0",
        in.workbookPath = "x0";
        store.restore(in);
        return in;
    }
    void write(const QByteArray& json) {
        store.save(Inputs());  // makes the folders
        QFile file(store.location());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
    }

    QTemporaryDir dir;
    SettingsStore store{dir.filePath("TOLVERN/Zentaro/WWWExp.json")};
};

TEST_F(Settings, SavesAllSevenValuesPrivatelyAndRestoresThemExactly) {
    EXPECT_EQ(Fields(restored()),
              QStringList({"ip0", "db0", "user0", "pw0", "x0", "0", "0"}));  // none yet
    Inputs in;
    in.address = " 10.0.0.5:3307 ", in.database = "veikals", in.user = "  lietotājs";
    in.password = "pa\"role\\ ", in.workbookPath = "/home/anna/Eksports/Grupas_web.xlsx",
    in.products = true;
    store.save(in);
    EXPECT_EQ(Fields(restored()), Fields(in));

    QFile file(store.location());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject saved = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(saved.keys(),
              QStringList({"E_SHOP_MYSQL_DB", "E_SHOP_MYSQL_IP", "E_SHOP_MYSQL_PASWORD",
                           "E_SHOP_MYSQL_USERNAME", "ExcelDir", "chkPreces", "chkSpecCenas"}));
    EXPECT_EQ(saved.value("chkPreces"), QJsonValue(1));  // a number, not a boolean
    EXPECT_EQ(saved.value("chkSpecCenas"), QJsonValue(0));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(store.location()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // it holds the password
}

TEST_F(Settings, MissingOrMalformedValuesAreSkippedSilentlyByTheirRules) {
    const struct {
        const char* rule;
        QByteArray json;
        QStringList fields;
    } cases[] = {
        {"a missing string empties its field; a missing box stays unchecked",
         R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_PASWORD": "p", "ExcelDir": "/x", "chkSpecCenas": 1})",
         {"ip", "", "", "p", "/x", "0", "1"}},
        {"a string of the wrong kind stops the strings after it, not the boxes; any non-zero "
         "checks",
         R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_DB": 5, "E_SHOP_MYSQL_USERNAME": "u", "chkPreces": 7,
             "chkSpecCenas": -1})",
         {"ip", "db0", "user0", "pw0", "x0", "1", "1"}},
    };
    for (const auto& c : cases) {
        write(c.json);
        EXPECT_EQ(Fields(restored()), c.fields) << c.rule;
    }
    for (const char* bad : {R"("1")", "true", "1.5", "null", "[1]", "4294967296"}) {
        write(QByteArray(R"({"chkPreces": )") + bad + R"(, "chkSpecCenas": 1})");
        EXPECT_EQ(Fields(restored()).mid(5), QStringList({"0", "1"})) << bad;
    }
    write("{not json");
    Inputs in;
    EXPECT_THROW(store.restore(in), Error);
    EXPECT_EQ(Fields(in), Fields(Inputs()));
}

}  // namespace
}  // namespace wwweksports
