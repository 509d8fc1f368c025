#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/Uploads.h"
#include "fixtures/CatalogueWorkbooks.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {
namespace {

using testing::CellValue;
using testing::ProductSpec;
using testing::RecordingOperator;
using testing::TestShop;
using Upload = Outcome (*)(ShopConnection&, Operator&);

const QString kConnectionFailed =
    QStringLiteral("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! ");
const QStringList kOpeningLine = {"Sāk sarakstu sūtīšanu ..."};

class Uploads : public ::testing::Test {
protected:
    Outcome run(Upload upload, const Inputs& in) {
        op = RecordingOperator(in);
        return upload(connection, op);
    }
    Outcome run(Upload upload) { return run(upload, shop.inputs(path)); }
    // Preces_web.xlsx with only the columns given.
    void writeProducts(std::vector<CellValue> header,
                       const std::vector<std::vector<CellValue>>& rows) {
        testing::WorkbookBuilder builder;
        builder.sheet("Preces").row(std::move(header));
        for (const auto& row : rows) builder.row(row);
        builder.save(path.toStdString());
    }
    std::string specials() {
        return shop.text("SELECT product_id FROM product_special ORDER BY product_special_id");
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    QString path = dir.filePath("Preces_web.xlsx");
    TestShop shop;
    ShopConnection connection;
    RecordingOperator op;
};

// What every upload promises, whatever it writes.
struct UploadCase {
    const char* name;
    Upload upload;
    std::string refusal;  // a rule that makes the shop refuse the upload's rows
    friend void PrintTo(const UploadCase& c, std::ostream* os) { *os << c.name; }
};

class UploadContract : public Uploads, public ::testing::WithParamInterface<UploadCase> {
protected:
    void SetUp() override {
        for (TestShop* s : {&shop, &other})
            for (int id : {1, 2, 3}) s->addProduct(id, 7);
        testing::WriteGroups(dir, {{10, 0, 1, "Maize"}});
        std::vector<ProductSpec> products = testing::ManyProducts(3);
        products[1].struck = 2.5;
        products[2].balance = 12;
        testing::WriteProducts(dir, products);
    }
    Outcome run(const Inputs& in) { return Uploads::run(GetParam().upload, in); }
    Outcome run() { return Uploads::run(GetParam().upload); }

    TestShop other;
};

TEST_P(UploadContract, ARefusedRowLeavesTheShopInMaintenanceUntilARunEnds) {
    shop.exec(GetParam().refusal);
    try {
        run();
        FAIL() << "the refused row went unnoticed";
    } catch (const Error& e) {
        EXPECT_EQ(e.category(), Error::Category::Database) << e.what();
    }
    EXPECT_EQ(shop.maintenance(), "1");
    const auto disabledKeys = [this] {
        return shop.value(
            "SELECT COUNT(*) FROM information_schema.STATISTICS WHERE "
            "TABLE_SCHEMA = DATABASE() AND COMMENT = 'disabled'");
    };
    EXPECT_EQ(disabledKeys(), "0");  // switched on again on the way out
    const std::string& refusal = GetParam().refusal;
    shop.exec(refusal.substr(0, refusal.find(" ADD ")) + " DROP CONSTRAINT refused");
    shop.exec("ALTER TABLE seo_url DISABLE KEYS");  // as a run that died would leave them
    EXPECT_EQ(run(), Outcome::Done);
    EXPECT_EQ(shop.maintenance() + disabledKeys(), "00");
}

TEST_P(UploadContract, EveryRunConnectsWithTheFieldsAsTheyAreThen) {
    EXPECT_EQ(run(), Outcome::Done);
    const auto shopAfter = shop.fingerprint();
    const auto otherBefore = other.fingerprint();
    EXPECT_EQ(run(other.inputs(path)), Outcome::Done);
    EXPECT_EQ(shop.fingerprint(), shopAfter);
    EXPECT_NE(other.fingerprint(), otherBefore);
}

INSTANTIATE_TEST_SUITE_P(
    , UploadContract,
    ::testing::Values(
        UploadCase{
            "Catalogue", UploadCatalogue,
            "ALTER TABLE product_description ADD CONSTRAINT refused CHECK (name <> 'Prece 3')"},
        UploadCase{"SpecialPrices", UploadSpecialPrices,
                   "ALTER TABLE product_special ADD CONSTRAINT refused CHECK (price > 2)"},
        UploadCase{"StockBalances", UploadStockBalances,
                   "ALTER TABLE product ADD CONSTRAINT refused CHECK (quantity < 10)"}),
    [](const ::testing::TestParamInfo<UploadCase>& p) { return p.param.name; });

// A workbook the shop cannot take whole is refused while it is read: no statement but the
// run lock's, the lock let go, no maintenance switch, the shop as it was.
TEST_F(Uploads, WorkbookFaultsAreRefusedBeforeTheShopIsTouched) {
    const auto products = [this](const std::function<void(std::vector<ProductSpec>&)>& spoil) {
        return [this, spoil] {
            std::vector<ProductSpec> p = testing::ManyProducts(3);
            spoil(p);
            testing::WriteProducts(dir, p);
        };
    };
    const QString oddFiles = QFileInfo(__FILE__).path() + "/../fixtures/odd/";
    const auto odd = [&](const char* name) {
        return [&, name] { QFile::copy(oddFiles + name, path); };
    };
    // Groups on the first sheet and in GRUPAS.
    const auto groups = [this](std::vector<CellValue> first, std::vector<CellValue> grupas) {
        return [this, first, grupas] {
            testing::WorkbookBuilder builder;
            for (const auto& [sheet, ids] : {std::pair{"Saraksts", first}, {"GRUPAS", grupas}}) {
                builder.sheet(sheet).row({"ID", "PARENT_ID", "KARTOSANAS", "NOSAUKUMS"});
                for (const CellValue& id : ids) builder.row({id, 0});
            }
            builder.save(dir.filePath("Grupas_web.xlsx").toStdString());
        };
    };
    // clang-format off
    const struct { Upload upload; std::function<void()> write; QStringList mustName; } cases[] = {
        {UploadCatalogue, products([](auto& p) { p[2].id = 1; }),
         {"ID 1 ir divreiz, rindās 2 un 4", "Preces_web.xlsx", "šūna A4"}},
        {UploadCatalogue, groups({10, 11, 10}, {10, 11}),
         {"ID 10 ir divreiz, rindās 2 un 4", "Saraksts", "šūna A4"}},
        {UploadCatalogue, groups({10}, {10, 10}), {"ID 10 ir divreiz, rindās 2 un 3", "GRUPAS"}},
        {UploadCatalogue, [this] { testing::WriteGroups(dir, {{10}}, "Saraksts"); },
         {"Nav darba lapas \"GRUPAS\": ", "Grupas_web.xlsx"}},
        {UploadCatalogue, [this] { testing::WriteGroups(dir, {{10, 12}, {11, 10}, {12, 11}}); },
         {"veido apli", "10 > 11 > 12 > 10", "GRUPAS"}},
        {UploadCatalogue, products([](auto& p) { p[1].name = std::string(10 << 20, 'x'); }),
         {"max_allowed_packet", "šūna C3, kolonna NOSAUKUMS", "xxxx...", "10485760 rakstzīmes"}},
        {UploadCatalogue, products([](auto& p) { p[1].struck = " "; }),
         {"\" \"", "šūna F3, kolonna SVITROTA_CENA"}},
        {UploadSpecialPrices, products([](auto& p) { p[1].struck = 2, p[1].price = "abc"; }),
         {"\"abc\"", "šūna E3, kolonna CENA_AR_PVN"}},
        {UploadStockBalances, products([](auto& p) { p[1].balance = "  "; }),
         {"\"  \"", "šūna G3, kolonna ATLIKUMS"}},
        {UploadStockBalances, odd("formulas.xlsx"),
         {"\"=A2*3\": formula saglabāta bez vērtības", "šūna B2, kolonna ATLIKUMS"}},
        {UploadStockBalances, odd("stock_a0.xlsx"), {"šūnas atsauce \"A0\" rindā 3", "Preces"}},
        {UploadStockBalances, odd("oversized_sheet.xlsx"), {"pārsniedz 512 MiB", "Sheet1"}},
        {UploadSpecialPrices, [] {}, {"Excel fails nav atrasts: ", "Preces_web.xlsx"}},
        // clang-format on
    };
    shop.addProduct(1, 7);
    for (const auto& c : cases) {
        testing::WriteGroups(dir, {{10}});
        QFile::remove(path);
        c.write();
        const auto before = shop.fingerprint();
        const uint64_t sent = connection.counters().statements;
        testing::ExpectWorkbookError([&] { run(c.upload); }, c.mustName);
        // The run lock at most, taken and let go again.
        EXPECT_LE(connection.counters().statements - sent, 2u) << c.mustName[0].toStdString();
        EXPECT_EQ(shop.value("SELECT IS_FREE_LOCK(CONCAT('WWWEksports ', DATABASE()))"), "1");
        EXPECT_EQ(shop.fingerprint(), before);
    }
}

TEST_F(Uploads, SpecialPricesOneForEachStruckThroughPriceFromYesterdayTo2050InWorkbookOrder) {
    shop.exec("INSERT INTO product_special VALUES (50, 99, 2, 1, 3.5, '2020-01-01', '2021-01-01')");
    const std::vector<CellValue> header = {"ID", "SVITROTA_CENA", "CENA_AR_PVN"};
    writeProducts({"ID", "SVITROTA_CENA"}, {{17, std::monostate{}}});
    testing::ExpectWorkbookError([&] { run(UploadSpecialPrices); }, {"CENA_AR_PVN", path});
    writeProducts(header, {{17, std::monostate{}, 1.5}});
    EXPECT_EQ(run(UploadSpecialPrices), Outcome::Done);  // none on promotion: the table emptied
    EXPECT_EQ(specials(), "");
    const QString connecting = QStringLiteral("Pieslēdzos datu bāzei 127.0.0.1:%1 ...")
                                   .arg(testing::TestShop::serverPort());
    EXPECT_EQ(op.statuses(), (QStringList{connecting, "Preču pazeminātā cena"}));

    writeProducts(header, {{17, 2.5, 1.99},
                           {18, std::monostate{}, "abc"},  // not on promotion: price not read
                           {19, "0", std::monostate{}},    // "0" is filled in; empty price is 0
                           {20, 0, 0.5},
                           {17, 3, 4.25}});  // the same product again, above its struck price
    const QString yesterday = QDate::currentDate().addDays(-1).toString(Qt::ISODate);
    EXPECT_EQ(run(UploadSpecialPrices), Outcome::Done);
    EXPECT_EQ(QString::fromStdString(shop.text(
                  "SELECT product_special_id, product_id, customer_group_id, priority, price, "
                  "date_start, date_end FROM product_special ORDER BY 1")),
              QString("2,17,1,999,1.9900,%1,2050-12-31 | 3,19,1,999,0.0000,%1,2050-12-31 | "
                      "4,20,1,999,0.5000,%1,2050-12-31 | 5,17,1,999,4.2500,%1,2050-12-31")
                  .arg(yesterday));
    EXPECT_EQ(op.statuses(),
              (QStringList{connecting, "Preču pazeminātā cena", "Ieraksti: 4; Paka: 1 no 1"}));
    EXPECT_EQ(op.links().size(), 1);
    EXPECT_EQ(op.events.size(), 4u);  // no message, no log line
    for (const auto& e : op.events) {
        if (e.kind == RecordingOperator::Event::Status && e.text != connecting) {
            EXPECT_EQ(e.refresh, StatusRefresh::RepaintAndProcessEvents);
        }
    }
}

TEST_F(Uploads, StockSetsEveryQuantityInWorkbookOrderAndSaysHowManyTheShopHas) {
    for (int id : {17, 18, 19, 20, 21}) shop.addProduct(id, 100);
    writeProducts({"ID", "DAUDZUMS"}, {{17, 5}});
    testing::ExpectWorkbookError([&] { run(UploadStockBalances); }, {"ATLIKUMS", path});
    const std::vector<CellValue> header = {"id", "NOSAUKUMS", "atlikums"};  // any letter case
    writeProducts(header, {});
    EXPECT_EQ(run(UploadStockBalances), Outcome::Done);  // the header alone changes nothing
    writeProducts(header, {{17, "Piens", 5},
                           {999, "Nav veikalā", 7},  // no such product: nothing happens
                           {18, "Maize", std::monostate{}},
                           {19, "Siers", 2.75},
                           {20, "Desa", -4},
                           {21, "Sula", 1},
                           {21, "Sula", 9}});
    EXPECT_EQ(run(UploadStockBalances), Outcome::Done);
    EXPECT_EQ(shop.text("SELECT product_id, quantity FROM product ORDER BY 1"),
              "17,5 | 18,0 | 19,3 | 20,-4 | 21,9");
    // Five different IDs the shop has (21 twice), one it does not have.
    EXPECT_EQ(op.processLines(), QStringList{"Atlikumi aizsūtīti: 5; nav veikalā: 1"});
    EXPECT_EQ(op.statuses().mid(1), QStringList{"Atlikumi aizsūtīti: 5; nav veikalā: 1"});
    EXPECT_TRUE(op.messages().isEmpty());

    const auto sent = connection.counters().roundTrips;
    EXPECT_EQ(run(UploadStockBalances, shop.inputs(QString())), Outcome::InputMissing);
    EXPECT_EQ(op.messages(), QStringList{"Nav ievadīts Excel katalogs !!!"});
    EXPECT_EQ(connection.counters().roundTrips, sent);
}

TEST_F(Uploads, StockRowsGoManyToARoundTripAndARefusedRowStopsTheRest) {
    for (int id = 1; id <= 1200; ++id) shop.addProduct(id, -1);
    shop.exec("ALTER TABLE product ADD CONSTRAINT small CHECK (quantity < 100)");
    std::vector<std::vector<CellValue>> rows;
    for (int i = 0; i < 3000; ++i) rows.push_back({1 + i % 1200, i == 2500 ? 200 : i * 7 % 90});
    writeProducts({"ID", "ATLIKUMS"}, rows);
    EXPECT_THROW(run(UploadStockBalances), Error);
    // Product 5 last had row 2404; product 101 (row 2500) and later rows were not reached.
    EXPECT_EQ(
        shop.text("SELECT quantity FROM product WHERE product_id IN (5, 101) ORDER BY product_id"),
        std::to_string(2404 * 7 % 90) + " | " + std::to_string(1300 * 7 % 90));
    EXPECT_LT(connection.counters().roundTrips, 20u);
}

class SendListsRun : public Uploads {
protected:
    void SetUp() override {
        testing::WriteGroups(dir, {{10, 0, 1, "Maize"}});
        std::vector<ProductSpec> products = testing::ManyProducts(3);
        products[1].struck = 2.5;  // on promotion
        testing::WriteProducts(dir, products);
        shop.addProduct(7, 0);
        shop.exec("INSERT INTO product_special (product_id, customer_group_id) VALUES (77, 1)");
    }
    Outcome run(bool products, bool specials, const std::function<void(Inputs&)>& change = {}) {
        Inputs in = shop.inputs(path);
        in.products = products, in.specials = specials;
        if (change) change(in);
        return Uploads::run(SendLists, in);
    }
    std::string products() { return shop.text("SELECT product_id FROM product ORDER BY 1"); }
};

TEST_F(SendListsRun, TheBoxesChooseWhatIsSentBetweenTheTwoLogLines) {
    EXPECT_EQ(run(false, false, [](Inputs& in) { in.address = "127.0.0.1:1"; }), Outcome::Done);
    EXPECT_EQ(connection.counters().connects, 0u);  // nothing chosen: the shop is not contacted
    EXPECT_EQ(op.statuses(), QStringList{"Saraksti aizsūtīti !!!"});

    EXPECT_EQ(run(false, true), Outcome::Done);
    EXPECT_EQ(products() + " / " + specials(), "7 / 2");

    // An account that may not alter the tables fills them with their keys on.
    shop.exec("REVOKE ALTER ON " + shop.database() + ".* FROM '" + shop.user() + "'@'%'");
    EXPECT_EQ(run(true, true), Outcome::Done);
    EXPECT_EQ(products() + " / " + specials(), "1 | 2 | 3 / 2");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_description"), "3");
    EXPECT_EQ(shop.value("SELECT product_special_id FROM product_special"), "2");
    EXPECT_EQ(shop.maintenance(), "0");
    EXPECT_EQ(op.processLines(), kOpeningLine + QStringList{"Saraksti aizsūtīti"});
    EXPECT_TRUE(op.messages().isEmpty());
    // The catalogue first, then the prices, then the closing texts.
    const QStringList statuses = op.statuses();
    EXPECT_LT(statuses.indexOf("Ievietoju SEO..."), statuses.indexOf("Preču pazeminātā cena"));
    EXPECT_EQ(statuses.back(), "Saraksti aizsūtīti !!!");
    EXPECT_EQ(op.events.back().kind, RecordingOperator::Event::ProcessLine);

    // One that may alter only the first of them leaves its keys on too.
    shop.exec("GRANT ALTER ON " + shop.database() + ".category TO '" + shop.user() + "'@'%'");
    EXPECT_EQ(run(true, false), Outcome::Done);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_description"), "3");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM information_schema.STATISTICS WHERE "
                         "TABLE_SCHEMA = DATABASE() AND COMMENT = 'disabled'"),
              "0");
}

TEST_F(SendListsRun, ThePricesTakeTheWorkbookAsItIsWhenTheirTurnComes) {
    // A price only the special prices read is refused in their phase, after the catalogue.
    std::vector<ProductSpec> rows = testing::ManyProducts(3);
    rows[1].struck = 2.5, rows[1].price = "abc";
    testing::WriteProducts(dir, rows);
    try {
        run(true, true);
        ADD_FAILURE() << "the bad price was not refused";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("CENA_AR_PVN")) << e.message().toStdString();
    }
    EXPECT_EQ(products() + " / " + specials(), "1 | 2 | 3 / 77");
    EXPECT_TRUE(op.statuses().contains("Ievietoju SEO..."));

    // A workbook saved anew while the catalogue is sent gives the prices as saved.
    rows[1].price = 3;
    testing::WriteProducts(dir, rows);
    Inputs in = shop.inputs(path);
    in.products = in.specials = true;
    op = RecordingOperator(in);
    op.onStatus = [&](const QString& status) {
        if (status != "Ievietoju SEO...") return;
        rows[0].struck = 1.25;
        rows.push_back(rows[1]);
        rows.back().id = 4;
        testing::WriteProducts(dir, rows);
    };
    EXPECT_EQ(SendLists(connection, op), Outcome::Done);
    EXPECT_EQ(products() + " / " + specials(), "1 | 2 | 3 / 1 | 2 | 4");
}

TEST_F(SendListsRun, ARunThatCouldNotSendEverythingEndsWithoutTheClosingTexts) {
    EXPECT_EQ(run(true, true, [](Inputs& in) { in.workbookPath.clear(); }), Outcome::InputMissing);
    EXPECT_EQ(op.messages(), QStringList{"Nav ievadīts Excel katalogs !!!"});
    EXPECT_TRUE(op.processLines().isEmpty());
    EXPECT_EQ(connection.counters().connects, 0u);

    // Each upload shows its connection failure, found before its workbook; the second still runs.
    EXPECT_EQ(run(true, true,
                  [](Inputs& in) {
                      in.address = "127.0.0.1:1", in.workbookPath = "/nonexistent/P.xlsx";
                  }),
              Outcome::ConnectionFailed);
    EXPECT_EQ(op.messages().size(), 2);
    EXPECT_EQ(op.processLines(), kOpeningLine);
    EXPECT_EQ(op.statuses(), QStringList(2, "Pieslēdzos datu bāzei 127.0.0.1:1 ..."));

    // A shown category error: the run goes on to the prices.
    shop.exec("ALTER TABLE category_description ADD CONSTRAINT c CHECK (CHAR_LENGTH(name) < 3)");
    EXPECT_EQ(run(true, true), Outcome::ShownErrors);
    EXPECT_EQ(op.messages().size(), 1);
    EXPECT_EQ(products() + " / " + specials() + " / " + shop.maintenance(), "1 | 2 | 3 / 2 / 0");
    EXPECT_EQ(op.processLines(), kOpeningLine);
    EXPECT_FALSE(op.statuses().contains("Saraksti aizsūtīti !!!"));

    // An error ends the run at once: the prices are not even tried.
    QFile broken(path);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a workbook");
    broken.close();
    const auto connects = connection.counters().connects;
    EXPECT_THROW(run(true, true), Error);
    EXPECT_EQ(connection.counters().connects, connects + 1);
    EXPECT_EQ(op.processLines(), kOpeningLine);
}

}  // namespace
}  // namespace wwweksports
