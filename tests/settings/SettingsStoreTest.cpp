#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>

#include "settings/SettingsStore.h"

namespace wwweksports {
namespace {

QStringList Fields(const Inputs& in) {
    // clang-format off
    return {in.address, in.database, in.user, in.password, in.workbookPath,
            QString::number(in.products), QString::number(in.specials), in.tlsMode, in.tlsCa};
    // clang-format on
}

class Settings : public ::testing::Test {
protected:
    // What the window holds before the store is read.
    static Inputs initial() {
        Inputs in;
        in.address = "ip0", in.database = "db0", in.user = "user0", in.password = "pw0",
        in.workbookPath = "x0", in.tlsMode = "required", in.tlsCa = "/ca0.pem";
        return in;
    }
    Inputs restored(QStringList* reports = nullptr) const {
        Inputs in = initial();
        const QStringList said = store.restore(in);
        if (reports) *reports = said;
        return in;
    }
    bool write(const QByteArray& json) {
        QDir().mkpath(QFileInfo(store.location()).path());
        QFile file(store.location());
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(json) > 0;
    }

    QTemporaryDir dir;
    SettingsStore store{dir.filePath("TOLVERN/Zentaro/WWWExp.json")};
    const QByteArray path = QFile::encodeName(store.location());
};

TEST_F(Settings, SavesAllNineValuesPrivatelyAndRestoresThemExactly) {
    EXPECT_EQ(Fields(restored()), QStringList({"ip0", "db0", "user0", "pw0", "x0", "0", "0",
                                               "required", "/ca0.pem"}));  // none yet
    Inputs in;
    in.address = " 10.0.0.5:3307 ", in.database = "veikals", in.user = "  lietotājs";
    in.password = "pa\"role\\ ", in.workbookPath = "/home/anna/Eksports/Grupas_web.xlsx",
    in.products = true, in.tlsMode = "verify-identity", in.tlsCa = "/etc/ssl/Hostinga CA.pem";
    store.save(in);
    EXPECT_EQ(Fields(restored()), Fields(in));

    QFile file(store.location());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject saved = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(saved.keys(),
              QStringList({"E_SHOP_MYSQL_DB", "E_SHOP_MYSQL_IP", "E_SHOP_MYSQL_PASWORD",
                           "E_SHOP_MYSQL_TLS_CA", "E_SHOP_MYSQL_TLS_MODE", "E_SHOP_MYSQL_USERNAME",
                           "ExcelDir", "chkPreces", "chkSpecCenas"}));
    EXPECT_EQ(saved.value("chkPreces"), QJsonValue(1));  // a number, not a boolean
    EXPECT_EQ(saved.value("chkSpecCenas"), QJsonValue(0));
    struct stat st {};
    ASSERT_EQ(stat(path.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // it holds the password
}

TEST_F(Settings, MissingValuesKeepTheirRulesAndAnyNonZeroNumberChecksABox) {
    const struct {
        QByteArray json;
        QStringList fields;
    } cases[] = {
        // A missing string empties its field: a store from before the link's security was
        // saved leaves the mode empty, which is the default.
        {R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_PASWORD": "", "ExcelDir": "/x", "chkSpecCenas": 1})",
         {"ip", "", "", "", "/x", "0", "1", "", ""}},
        {QByteArray(R"({"chkPreces": 7, "chkSpecCenas": -1.0})").leftJustified(64 * 1024),
         {"", "", "", "", "", "1", "1", "", ""}},  // as large as may be
        {R"({"chkPreces": 0, "chkSpecCenas": 2147483647, "E_SHOP_MYSQL_TLS_MODE": "disabled"})",
         {"", "", "", "", "", "0", "1", "disabled", ""}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(write(c.json));
        QStringList reports;
        EXPECT_EQ(Fields(restored(&reports)), c.fields) << c.json.toStdString();
        EXPECT_EQ(reports, QStringList()) << c.json.toStdString();
    }
}

// Whatever is wrong with the file, it is told once with its path and none of it is used; a
// file that never ends or never opens does not stop the start.
TEST_F(Settings, AStoreThatCannotBeUsedIsReportedOnceAndIgnoredWhole) {
    const QByteArray valid = R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_DB": "db"})";
    // clang-format off
    const struct { const char* store; std::function<bool()> make; const char* reason; } cases[] = {
        // clang-format on
        {"a folder", [&] { return QDir().mkpath(store.location()); }, "tas nav parasts fails"},
        {"a link to /dev/zero", [&] { return symlink("/dev/zero", path.constData()) == 0; },
         "tas nav parasts fails"},
        {"a FIFO", [&] { return mkfifo(path.constData(), 0600) == 0; }, "tas nav parasts fails"},
        {"a file over 64 KiB",
         [&] { return write(valid + QByteArray(64 * 1024 + 1 - valid.size(), ' ')); },
         "lielāks par 64 KiB"},
        {"malformed JSON", [&] { return write("{not json"); }, "bojāts JSON"},
        {"an array", [&] { return write("[1]"); }, "tas nav JSON objekts"},
        {"a number for a string",
         [&] { return write(R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_DB": 5})"); },
         R"("E_SHOP_MYSQL_DB" nav teksts)"},
        {"a fraction for a check box", [&] { return write(R"({"chkPreces": 1.5})"); },
         R"("chkPreces" nav vesels skaitlis (0 vai 1); saglabātās vērtības netika izmantotas)"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(path.constData());
        ASSERT_TRUE(c.make()) << c.store;
        QElapsedTimer timer;
        timer.start();
        QStringList reports;
        EXPECT_EQ(Fields(restored(&reports)), Fields(initial())) << c.store;
        EXPECT_LT(timer.elapsed(), 5000) << c.store;
        ASSERT_EQ(reports.size(), 1) << c.store;
        EXPECT_TRUE(reports[0].contains(store.location() + ": " + c.reason))
            << reports[0].toStdString();
    }
}

// A password that others may read is still used, with the way to make it private.
TEST_F(Settings, APasswordOthersMayReadIsUsedWithAWarning) {
    // clang-format off
    const struct { const char* password; mode_t mode; bool warned; } cases[] = {
        {"pw", 0644, true}, {"pw", 0620, true}, {"pw", 0600, false}, {"", 0644, false}};
    // clang-format on
    for (const auto& c : cases) {
        Inputs in;
        in.password = c.password, in.user = "u";
        store.save(in);
        ASSERT_EQ(chmod(path.constData(), c.mode), 0);
        QStringList reports;
        EXPECT_EQ(Fields(restored(&reports)), Fields(in)) << c.mode;
        EXPECT_EQ(reports.size(), c.warned ? 1 : 0) << c.mode;
        EXPECT_EQ(reports.filter(": chmod 600 " + store.location()).size(), reports.size());
    }
}

}  // namespace
}  // namespace wwweksports
