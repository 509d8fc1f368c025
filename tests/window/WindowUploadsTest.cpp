#include "WindowTestSupport.h"
#include "fixtures/CatalogueWorkbooks.h"
#include "fixtures/TestShop.h"
#include "window/StandardDialogs.h"

namespace wwweksports::testing {

// The buttons clicked in a window that opens with this shop on the private test server and
// "Akciju cenas" ticked; the workbooks hold two products of group 10, the second on promotion,
// every balance 0.
class WindowUploads : public Window {
protected:
    void SetUp() override {
        WriteGroups(QDir(tmp.path()), {{10}});
        std::vector<ProductSpec> products = ManyProducts(2);
        products[1].struck = 2.5;
        WriteProducts(QDir(tmp.path()), products);
        Inputs in = shop.inputs(tmp.filePath("Preces_web.xlsx"));
        in.specials = true;
        SettingsStore(storePath()).save(in);
        open();
    }
    void click(const char* button) const { find<QPushButton>(button)->click(); }
    std::string stock() { return shop.value("SELECT SUM(quantity) FROM product"); }

    QTemporaryDir tmp;
    TestShop shop;
    // The log of a run: the link is told once a run.
    const QString link =
        QStringLiteral("Savienojums ar 127.0.0.1:%1 nav šifrēts").arg(TestShop::serverPort());
    const QStringList run{"Sāk sarakstu sūtīšanu ...", link, "Saraksti aizsūtīti"};
};

TEST_F(WindowUploads, AMissingInputOrAnErrorIsOneBoxAndThenSutitSarakstusPublishes) {
    const auto untouched = shop.fingerprint();
    find<QLineEdit>("shExcelDir")->clear();
    click("btSutitKlasif");
    EXPECT_EQ(logMessages(), QStringList());
    EXPECT_EQ(shop.fingerprint(), untouched);
    find<QLineEdit>("shExcelDir")->setText(tmp.filePath("nav/Preces_web.xlsx"));
    click("btSutitKlasif");
    find<QLineEdit>("shExcelDir")->setText(tmp.filePath("Preces_web.xlsx"));
    find<QCheckBox>("chkPreces")->setChecked(true);
    click("btSutitKlasif");
    ASSERT_EQ(answerer.boxes.size(), 2);
    EXPECT_EQ(answerer.boxes[0], "NoIcon: Nav ievadīts Excel katalogs !!!");
    EXPECT_TRUE(answerer.boxes[1].startsWith("Critical: ") && answerer.boxes[1].contains("/nav"));
    EXPECT_EQ(stock(), "0");
    EXPECT_EQ(shop.value("SELECT GROUP_CONCAT(product_id) FROM product_special"), "2");
    // The failed run's opening line and link, then its trace, then the run that published.
    const QStringList log = logMessages();
    ASSERT_GE(log.size(), 3);
    EXPECT_TRUE(log[2].startsWith("Sūtīšana neizdevās: ") && log.join("").contains("/nav"))
        << log.join('\n').toStdString();
    // The run that published ends with what it changed in the shop.
    const QStringList lines = logLines();
    EXPECT_EQ(lines.mid(lines.size() - 4),
              run + QStringList{"Veikalā mainīts: grupas +1, preces +2, apraksti +3, preču saites "
                                "ar grupām +2, SEO atslēgvārdi +3, akciju cenas +1"});
    EXPECT_EQ(window->statusPanel(0)->text(), "Saraksti aizsūtīti !!!");
    EXPECT_EQ(find<QTabWidget>("pgLappuses")->currentIndex(), 0);
    // The boxes came up under the ordinary cursor, and none is left after the runs.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(answerer.cursors, QStringList(2, "ordinary"));
}

TEST_F(WindowUploads, AClickWhileARunLetsEventsThroughIsIgnoredAndAtlikumiSayWhatTheySet) {
    for (const int id : {1, 2}) shop.addProduct(id, 100);
    // Only the special prices are sent: the quantities tell whether a stock upload ran.
    bool clickedDuringRun = false;
    QTimer::singleShot(0, window.get(), [&] {  // when the run first lets events through
        clickedDuringRun = true;
        // The wait cursor is up while the run works.
        EXPECT_TRUE(QApplication::overrideCursor() &&
                    QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        click("btSutitKlasif");
        click("btExportAtlikumi");
        // What the operator does on the page meanwhile is dropped, not kept for later.
        QTest::mouseClick(find<QPushButton>("btExportAtlikumi"), Qt::LeftButton);
        QTest::keyClicks(find<QLineEdit>("edMySQL_DB"), "x");
    });
    const QString database = find<QLineEdit>("edMySQL_DB")->text();
    click("btSutitKlasif");
    EXPECT_TRUE(clickedDuringRun);
    QCoreApplication::processEvents();  // anything queued during the run would come now
    EXPECT_EQ(stock(), "200");
    EXPECT_EQ(find<QLineEdit>("edMySQL_DB")->text(), database);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    click("btExportAtlikumi");
    EXPECT_EQ(stock(), "0");
    const QString stockSent = QStringLiteral("Atlikumi aizsūtīti: 2; nav veikalā: 0");
    const QStringList stockRun{link, stockSent, "Veikalā mainīts: atlikumi ~2"};
    EXPECT_EQ(logLines(), run + QStringList{"Veikalā mainīts: akciju cenas +1"} + stockRun);
    EXPECT_EQ(window->statusPanel(0)->text(), stockSent);
    EXPECT_EQ(answerer.boxes, QStringList());
}

TEST_F(WindowUploads, ParbauditLogsWhatTheUploadsWouldChangeAndLeavesTheShopAsItWas) {
    for (const int id : {1, 2}) shop.addProduct(id, 100);
    find<QCheckBox>("chkPreces")->setChecked(true);
    const auto untouched = shop.fingerprint();
    click("btParbaudit");
    EXPECT_EQ(shop.fingerprint(), untouched);
    const QStringList lines = logLines();
    EXPECT_TRUE(lines.contains("Pārbaude: sūtot veikalā mainītos"))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("atlikumi: jauni 0, dzēsti 0, mainīti 2, nemainīti 0"))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("atlikumi, mainīts, 1: Prece 1 (quantity: \"100\" -> \"0\")"))
        << lines.join('\n').toStdString();
    EXPECT_EQ(window->statusPanel(0)->text(),
              "Pārbaude beigusies; mainītos: grupas +1, preces ~2, apraksti +3, preču saites ar "
              "grupām +2, SEO atslēgvārdi +3, akciju cenas +1, atlikumi ~2");
    EXPECT_EQ(find<QTabWidget>("pgLappuses")->currentIndex(), 0);
    // A check that cannot reach the shop leaves its trace as a failed run does.
    find<QLineEdit>("edMySQL_IP")->setText("127.0.0.1:1");
    click("btParbaudit");
    EXPECT_TRUE(logLines().last().startsWith("Pārbaude neizdevās: "))
        << logLines().last().toStdString();
    EXPECT_EQ(answerer.boxes.size(), 1);
}

TEST_F(WindowUploads, AizvertDuringARunEndsTheProgramAfterTheRunAndItsBoxes) {
    // A refused category: a box for it; a refused link: the error's box.
    shop.exec("ALTER TABLE category ADD CONSTRAINT refused CHECK (sort_order > 1)");
    shop.exec("ALTER TABLE product_to_category ADD CONSTRAINT refused CHECK (product_id > 1)");
    find<QCheckBox>("chkPreces")->setChecked(true);
    // The run starts in the program's event loop; "Aizvērt" is clicked at the first point
    // where the run lets events through.
    QTimer::singleShot(0, window.get(), [&] {
        QTimer::singleShot(0, window.get(), [&] { click("btClose"); });
        click("btSutitKlasif");
    });
    QTimer::singleShot(60000, [] { QCoreApplication::exit(99); });  // a program left running
    QApplication::setQuitOnLastWindowClosed(true);                  // as in the program
    EXPECT_EQ(QCoreApplication::exec(), 0);
    QApplication::setQuitOnLastWindowClosed(false);
    ASSERT_EQ(answerer.boxes.size(), 2);
    EXPECT_TRUE(answerer.boxes[0].startsWith("NoIcon: Kļūda ievietojot tabulā category"));
    EXPECT_TRUE(answerer.boxes[1].startsWith("Critical: "));
    const QStringList log = logMessages();
    ASSERT_GE(log.size(), 3);
    EXPECT_EQ(log.mid(0, 2), (QStringList{"Sāk sarakstu sūtīšanu ...", link}));
    EXPECT_TRUE(log[2].startsWith("Sūtīšana neizdevās: ")) << log[2].toStdString();
}

// Whatever went wrong, the operator reads it in Latvian, the server's own words only after
// the explanation; Qt's own texts (the picker's and the boxes' buttons) are Latvian too.
TEST_F(WindowUploads, EveryKindOfErrorIsToldInLatvian) {
    ASSERT_TRUE(UseLatvianQtTexts());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Atcelt");
    std::vector<ProductSpec> products = ManyProducts(2);
    products[1].balance = "74 gab.";
    const auto field = [this](const char* name) { return find<QLineEdit>(name); };
    const QString address = field("edMySQL_IP")->text();
    // clang-format off
    const struct { std::function<void()> set; const char* button; QString told; } cases[] = {
        {[&] { WriteProducts(QDir(tmp.path()), products); }, "btExportAtlikumi",
         "Critical: Nevar nolasīt \"74 gab.\" kā skaitli: " + tmp.filePath("Preces_web.xlsx") +
         ", lapa \"Preces\", šūna G3, kolonna ATLIKUMS"},
        {[&] { QFile::remove(tmp.filePath("Preces_web.xlsx")); }, "btExportAtlikumi",
         "Critical: Excel fails nav atrasts: " + tmp.filePath("Preces_web.xlsx")},
        {[&] { field("edMySQL_IP")->setText("127.0.0.1:1"); }, "btSutitKlasif",
         "NoIcon: Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! Datu bāzes serveris nav "
         "sasniedzams"},
        {[&] { field("edMySQL_IP")->setText(address), field("edMySQLFTPParole")->setText("x"); },
         "btSutitKlasif", "NoIcon: Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! Datu bāze "
         "neatzina lietotāja vārdu vai paroli (datu bāzes kļūda 1045: Access denied"},
        {[&] {
             field("edMySQLFTPParole")->setText(TestShop::password());
             products[1].balance = 0, products[1].struck = 2.5;  // on promotion at 1.5
             WriteProducts(QDir(tmp.path()), products);
             shop.exec("ALTER TABLE product_special ADD CONSTRAINT refused CHECK (price > 2)");
         }, "btSutitKlasif",
         "Critical: Veikals neņēma pretī ierakstu: tas neiztur tabulas pārbaudi (datu bāzes kļūda "
         "4025: CONSTRAINT `refused` failed"}};
    // clang-format on
    for (const auto& c : cases) {
        answerer.boxes.clear();
        c.set();
        click(c.button);
        ASSERT_FALSE(answerer.boxes.isEmpty()) << c.told.toStdString();
        EXPECT_TRUE(answerer.boxes.front().startsWith(c.told))
            << answerer.boxes.front().toStdString() << "\n  not: " << c.told.toStdString();
    }
}

}  // namespace wwweksports::testing
