#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "WindowTestSupport.h"
#include "catalogue/CatalogueWorkbooks.h"
#include "fixtures/TestShop.h"
#include "stock/StockBalances.h"

namespace wwweksports {
namespace {

using testing::FindControl;
using testing::ManyProducts;
using testing::ModalAnswerer;
using testing::ProductSpec;
using testing::Rows;
using testing::TestShop;
using testing::WindowTest;
using testing::WriteGroups;
using testing::WriteProducts;

// The two buttons clicked in the window against a shop on the private test server, with the
// test answering every box the window puts up.
class WindowUploads : public WindowTest {
protected:
    void SetUp() override {
        WriteGroups(dir, {{10, 0, 1, "Maize"}, {11, 10, 2, "Rupjmaize"}});
        std::vector<ProductSpec> products = ManyProducts(3);
        products[0].balance = 5;
        products[1].balance = 0;
        products[1].struck = 2.5;  // on promotion
        products[2].balance = 12;
        products[2].parent = 11;
        WriteProducts(dir, products);

        window = makeWindow();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        const Inputs in = shop.inputs(dir.filePath(QStringLiteral("Preces_web.xlsx")));
        field("edMySQL_IP")->setText(in.address);
        field("edMySQL_DB")->setText(in.database);
        field("edMySQLUserName")->setText(in.user);
        field("edMySQLFTPParole")->setText(in.password);
        field("shExcelDir")->setText(in.workbookPath);
        entered = window->inputs();
    }

    QLineEdit* field(const char* name) const { return FindControl<QLineEdit>(*window, name); }
    QPushButton* button(const char* name) const { return FindControl<QPushButton>(*window, name); }
    void tick(const char* name) const { FindControl<QCheckBox>(*window, name)->setChecked(true); }

    QStringList logLines() const {
        auto* list = FindControl<QListWidget>(*window, "lstProcess");
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }

    // The messages of the log lines, without their stamps (which must be there).
    QStringList logMessages() const {
        const QRegularExpression stamp(QStringLiteral("^\\d\\d\\.\\d\\d-\\d\\d:\\d\\d:\\d\\d "));
        QStringList out;
        for (QString line : logLines()) {
            EXPECT_TRUE(stamp.match(line).hasMatch()) << line.toStdString();
            out << line.remove(stamp);
        }
        return out;
    }

    void expectFieldsKept() const {
        const Inputs now = window->inputs();
        EXPECT_EQ(now.address, entered.address);
        EXPECT_EQ(now.database, entered.database);
        EXPECT_EQ(now.user, entered.user);
        EXPECT_EQ(now.password, entered.password);
        EXPECT_EQ(now.workbookPath, entered.workbookPath);
    }

    size_t sentCount(const std::string& statement) {
        const std::vector<std::string> sent = shop.shopStatements();
        return static_cast<size_t>(
            std::count_if(sent.begin(), sent.end(),
                          [&](const std::string& s) { return s.rfind(statement, 0) == 0; }));
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TestShop shop;
    ModalAnswerer answerer;
    std::unique_ptr<TWWWEksports> window;
    Inputs entered;
};

TEST_F(WindowUploads, SutitSarakstusPublishesTheCatalogueAndPricesBetweenTwoLogLines) {
    tick("chkPreces");
    tick("chkSpecCenas");
    button("btSutitKlasif")->click();

    EXPECT_TRUE(answerer.boxes.empty()) << answerer.texts().join('\n').toStdString();
    EXPECT_EQ(shop.rows("SELECT product_id, quantity FROM product ORDER BY product_id"),
              (Rows{{"1", "5"}, {"2", "0"}, {"3", "12"}}));
    EXPECT_EQ(shop.rows("SELECT product_id, category_id FROM product_to_category ORDER BY "
                        "product_id"),
              (Rows{{"1", "10"}, {"2", "10"}, {"3", "11"}}));
    EXPECT_EQ(shop.rows("SELECT category_id, path_id, level FROM category_path ORDER BY "
                        "category_id, level"),
              (Rows{{"10", "10", "0"}, {"11", "10", "0"}, {"11", "11", "1"}}));
    EXPECT_EQ(shop.value("SELECT GROUP_CONCAT(product_id) FROM product_special"), "2");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM seo_url"), "5");
    EXPECT_EQ(shop.maintenance(), "0");

    EXPECT_EQ(logMessages(), (QStringList{"Sāk sarakstu sūtīšanu ...", "Saraksti aizsūtīti"}));
    auto* list = FindControl<QListWidget>(*window, "lstProcess");
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(window->statusPanel(0)->text(), "Saraksti aizsūtīti !!!");
    EXPECT_TRUE(window->statusPanel(1)->text().isEmpty());
    EXPECT_EQ(FindControl<QTabWidget>(*window, "pgLappuses")->currentIndex(), 0);
    expectFieldsKept();
}

TEST_F(WindowUploads, SutitAtlikumusSetsTheQuantitiesSilently) {
    for (const int id : {1, 2, 3}) shop.addProduct(id, 100);
    button("btExportAtlikumi")->click();

    EXPECT_TRUE(answerer.boxes.empty()) << answerer.texts().join('\n').toStdString();
    EXPECT_EQ(shop.rows("SELECT product_id, quantity FROM product ORDER BY product_id"),
              (Rows{{"1", "5"}, {"2", "0"}, {"3", "12"}}));
    EXPECT_EQ(shop.maintenance(), "0");
    EXPECT_TRUE(logLines().isEmpty());
    EXPECT_TRUE(window->statusPanel(0)->text().isEmpty());
    expectFieldsKept();
}

TEST_F(WindowUploads, AMissingInputIsTheOperatorsMessageAndNothingIsLogged) {
    field("edMySQLUserName")->clear();
    tick("chkPreces");
    button("btSutitKlasif")->click();
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(answerer.boxes[0].text, "Nav ievadīts MySQL lietotāja vārds !!!");
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(WindowUploads, AnErrorEscapingAnUploadIsShownOnceAndTheWindowGoesOnWorking) {
    const QString missing = tmp.filePath(QStringLiteral("nav/Preces_web.xlsx"));
    field("shExcelDir")->setText(missing);
    entered.workbookPath = missing;
    tick("chkPreces");
    tick("chkSpecCenas");
    button("btSutitKlasif")->click();
    ASSERT_EQ(answerer.boxes.size(), 1u) << answerer.texts().join('\n').toStdString();
    EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::Critical);
    const QString missingDirectory = tmp.filePath(QStringLiteral("nav"));
    EXPECT_TRUE(answerer.boxes[0].text.contains(missingDirectory))
        << answerer.boxes[0].text.toStdString();
    EXPECT_EQ(logMessages(), QStringList{"Sāk sarakstu sūtīšanu ..."});
    expectFieldsKept();

    button("btExportAtlikumi")->click();
    ASSERT_EQ(answerer.boxes.size(), 2u);
    EXPECT_EQ(answerer.boxes[1].icon, QMessageBox::Critical);
    EXPECT_TRUE(answerer.boxes[1].text.contains(missingDirectory));
    expectFieldsKept();

    // Put right, the same window sends the lists.
    field("shExcelDir")->setText(dir.filePath(QStringLiteral("Preces_web.xlsx")));
    button("btSutitKlasif")->click();
    EXPECT_EQ(answerer.boxes.size(), 2u);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "3");
    EXPECT_EQ(window->statusPanel(0)->text(), "Saraksti aizsūtīti !!!");
}

TEST_F(WindowUploads, AClickWhileARunLetsEventsThroughIsIgnored) {
    tick("chkPreces");
    shop.startStatementLog();
    bool clickedDuringRun = false;
    // Posted now, delivered when the run first lets events through.
    QMetaObject::invokeMethod(
        window.get(),
        [&] {
            clickedDuringRun = true;
            button("btSutitKlasif")->click();
            button("btExportAtlikumi")->click();
        },
        Qt::QueuedConnection);
    button("btSutitKlasif")->click();

    EXPECT_TRUE(clickedDuringRun);
    EXPECT_TRUE(answerer.boxes.empty()) << answerer.texts().join('\n').toStdString();
    EXPECT_EQ(logMessages(), (QStringList{"Sāk sarakstu sūtīšanu ...", "Saraksti aizsūtīti"}));
    EXPECT_EQ(sentCount("DELETE FROM product_description"), 1u);
    EXPECT_EQ(sentCount("UPDATE product set quantity"), 0u);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "3");

    // The guard is down again once the run is over.
    button("btExportAtlikumi")->click();
    EXPECT_EQ(sentCount("UPDATE product set quantity"), 3u);
}

TEST_F(WindowUploads, AizvertDuringARunEndsTheProgramAfterTheRunAndItsBoxes) {
    WriteGroups(dir, {{10, 0, 1, "Maize"}, {10, 0, 2, "Maize vēlreiz"}});  // two errors to show
    tick("chkPreces");
    // The run starts in the program's event loop; "Aizvērt" is clicked at the first point
    // where the run lets events through.
    QTimer::singleShot(0, window.get(), [&] {
        QMetaObject::invokeMethod(
            window.get(), [&] { button("btClose")->click(); }, Qt::QueuedConnection);
        button("btSutitKlasif")->click();
    });
    QTimer::singleShot(60000, [] { QCoreApplication::exit(99); });  // a program left running
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(true);  // as in the program
    EXPECT_EQ(QCoreApplication::exec(), 0);
    QApplication::setQuitOnLastWindowClosed(quitOnClose);

    EXPECT_FALSE(window->isVisible());
    // Both boxes were up until answered: the program did not end under them.
    ASSERT_EQ(answerer.boxes.size(), 2u) << answerer.texts().join('\n').toStdString();
    EXPECT_TRUE(answerer.boxes[0].text.startsWith("Kļūda ievietojot tabulā category"));
    EXPECT_EQ(answerer.boxes[1].icon, QMessageBox::Critical);
    EXPECT_EQ(logMessages(), QStringList{"Sāk sarakstu sūtīšanu ..."});
}

}  // namespace
}  // namespace wwweksports
