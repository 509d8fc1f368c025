#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QWindow>

#include "WindowTestSupport.h"
#include "window/StandardDialogs.h"

namespace wwweksports {
namespace {

using testing::FindControl;
using testing::ModalAnswerer;
using testing::WindowTest;

class WindowSettings : public WindowTest {
protected:
    QJsonObject saved() const { return QJsonDocument::fromJson(readStore()).object(); }

    static void Fill(TWWWEksports& window, const Inputs& in) {
        FindControl<QLineEdit>(window, "edMySQL_IP")->setText(in.address);
        FindControl<QLineEdit>(window, "edMySQL_DB")->setText(in.database);
        FindControl<QLineEdit>(window, "edMySQLUserName")->setText(in.user);
        FindControl<QLineEdit>(window, "edMySQLFTPParole")->setText(in.password);
        FindControl<QLineEdit>(window, "shExcelDir")->setText(in.workbookPath);
        FindControl<QCheckBox>(window, "chkPreces")->setChecked(in.products);
        FindControl<QCheckBox>(window, "chkSpecCenas")->setChecked(in.specials);
    }

    ModalAnswerer answerer;
};

void ExpectInputs(const Inputs& actual, const Inputs& expected) {
    EXPECT_EQ(actual.address, expected.address);
    EXPECT_EQ(actual.database, expected.database);
    EXPECT_EQ(actual.user, expected.user);
    EXPECT_EQ(actual.password, expected.password);
    EXPECT_EQ(actual.workbookPath, expected.workbookPath);
    EXPECT_EQ(actual.products, expected.products);
    EXPECT_EQ(actual.specials, expected.specials);
}

TEST_F(WindowSettings, FirstStartOpensEmptyAndTheEndWritesAllSevenValues) {
    auto window = makeWindow();
    ExpectInputs(window->inputs(), Inputs());
    window.reset();

    const QJsonObject store = saved();
    EXPECT_EQ(store.keys(),
              QStringList({"E_SHOP_MYSQL_DB", "E_SHOP_MYSQL_IP", "E_SHOP_MYSQL_PASWORD",
                           "E_SHOP_MYSQL_USERNAME", "ExcelDir", "chkPreces", "chkSpecCenas"}));
    for (const char* key : {"E_SHOP_MYSQL_DB", "E_SHOP_MYSQL_IP", "E_SHOP_MYSQL_PASWORD",
                            "E_SHOP_MYSQL_USERNAME", "ExcelDir"}) {
        EXPECT_EQ(store.value(key), QJsonValue(QString())) << key;
    }
    EXPECT_EQ(store.value("chkPreces"), QJsonValue(0));
    EXPECT_EQ(store.value("chkSpecCenas"), QJsonValue(0));
    EXPECT_TRUE(answerer.boxes.empty());
}

TEST_F(WindowSettings, WhatTheOperatorLeftComesBackExactlyOnTheSendingPage) {
    Inputs left;
    left.address = QStringLiteral(" 10.0.0.5:3307 ");
    left.database = QStringLiteral("veikals");
    left.user = QStringLiteral("  lietotājs ");
    left.password = QStringLiteral("pa\"role\\ ");
    left.workbookPath = QStringLiteral("/home/anna/Eksports/Grupas_web.xlsx");
    left.products = true;
    left.specials = false;
    {
        auto window = makeWindow();
        Fill(*window, left);
        FindControl<QTabWidget>(*window, "pgLappuses")->setCurrentIndex(1);
    }
    auto window = makeWindow();
    ExpectInputs(window->inputs(), left);
    EXPECT_EQ(FindControl<QTabWidget>(*window, "pgLappuses")->currentWidget()->objectName(),
              "tabSutisana");
    EXPECT_TRUE(answerer.boxes.empty());
}

TEST_F(WindowSettings, AizvertAndTheTitleBarBothSaveWhenTheWindowIsDestroyed) {
    for (const bool viaButton : {true, false}) {
        SCOPED_TRACE(viaButton ? "Aizvērt" : "title bar");
        QFile::remove(storePath());
        auto window = makeWindow();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        const QString address = viaButton ? QStringLiteral("10.0.0.1") : QStringLiteral("10.0.0.2");
        FindControl<QLineEdit>(*window, "edMySQL_IP")->setText(address);
        if (viaButton) {
            FindControl<QPushButton>(*window, "btClose")->click();
        } else {
            window->windowHandle()->close();
        }
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(QFile::exists(storePath()));  // not at closing: when the window goes
        window.reset();
        EXPECT_EQ(saved().value("E_SHOP_MYSQL_IP").toString(), address);
    }
}

struct RestoreCase {
    const char* rule;
    QByteArray store;
    Inputs expected;
};

Inputs Expect(const char* address, const char* database, const char* user, const char* password,
              const char* path, bool products, bool specials) {
    Inputs in;
    in.address = QString::fromUtf8(address);
    in.database = QString::fromUtf8(database);
    in.user = QString::fromUtf8(user);
    in.password = QString::fromUtf8(password);
    in.workbookPath = QString::fromUtf8(path);
    in.products = products;
    in.specials = specials;
    return in;
}

TEST_F(WindowSettings, EachRestoreRuleIsSilent) {
    const RestoreCase cases[] = {
        {"only the five strings: the boxes stay unchecked",
         R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_DB": "db", "E_SHOP_MYSQL_USERNAME": "user",
             "E_SHOP_MYSQL_PASWORD": "pw", "ExcelDir": "/x/Preces_web.xlsx"})",
         Expect("ip", "db", "user", "pw", "/x/Preces_web.xlsx", false, false)},
        {"the database name as a number: it and the strings after it are skipped",
         R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_DB": 5, "E_SHOP_MYSQL_USERNAME": "user",
             "E_SHOP_MYSQL_PASWORD": "pw", "ExcelDir": "/x", "chkPreces": 1, "chkSpecCenas": 1})",
         Expect("ip", "", "", "", "", true, true)},
        {"a missing string empties its field only",
         R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_DB": "db", "E_SHOP_MYSQL_PASWORD": "pw",
             "ExcelDir": "/x", "chkPreces": 0, "chkSpecCenas": 1})",
         Expect("ip", "db", "", "pw", "/x", false, true)},
        {"a malformed box stays unchecked, the other is still read; non-zero is checked",
         R"({"E_SHOP_MYSQL_IP": "ip", "E_SHOP_MYSQL_DB": "db", "E_SHOP_MYSQL_USERNAME": "user",
             "E_SHOP_MYSQL_PASWORD": "pw", "ExcelDir": "/x", "chkPreces": "1",
             "chkSpecCenas": 7})",
         Expect("ip", "db", "user", "pw", "/x", false, true)},
    };
    for (const RestoreCase& c : cases) {
        SCOPED_TRACE(c.rule);
        writeStore(c.store);
        auto window = makeWindow();
        ExpectInputs(window->inputs(), c.expected);
        window.reset();
        EXPECT_TRUE(answerer.boxes.empty());
    }
}

TEST_F(WindowSettings, AnUnreadableStoreIsShownAndTheWindowStillOpens) {
    writeStore("{ \"E_SHOP_MYSQL_IP\": ");
    auto window = makeWindow();
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(answerer.boxes[0].title, kApplicationName);
    EXPECT_TRUE(answerer.boxes[0].text.contains(storePath()));
    ExpectInputs(window->inputs(), Inputs());
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

TEST_F(WindowSettings, AStoreThatCannotBeWrittenIsShownWhenTheWindowGoes) {
    writeStore("{}");
    auto window = std::make_unique<TWWWEksports>(SettingsStore(storePath() + "/WWWExp.json"));
    EXPECT_TRUE(answerer.boxes.empty());
    window.reset();
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(answerer.boxes[0].text.contains(storePath()));
}

}  // namespace
}  // namespace wwweksports
