#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

#include "catalogue/CatalogueUpload.h"
#include "catalogue/CatalogueWorkbooks.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "shopdb/ShopChecks.h"
#include "shopdb/ShopConnection.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

using testing::ExcelDate;
using testing::GroupSpec;
using testing::ManyProducts;
using testing::ProductSpec;
using testing::RecordingOperator;
using testing::Rows;
using testing::TestShop;
using testing::WriteGroups;
using testing::WriteProducts;

const std::string W7 = " \t\t\t\t\t\t\t  ";
const std::string W8 = " \t\t\t\t\t\t\t\t  ";

class CatalogueUpload : public ::testing::Test {
protected:
    explicit CatalogueUpload(TestShop::Charset charset = TestShop::Charset::Utf8) : shop(charset) {}

    QString workbookPath() const { return dir.filePath(QStringLiteral("Preces_web.xlsx")); }

    UploadResult upload(RecordingOperator& with) {
        return UploadCatalogue(connection, {adcExcel, adcPrecuGrupas}, with);
    }
    UploadResult upload() {
        op = std::make_unique<RecordingOperator>(shop.inputs(workbookPath()));
        return upload(*op);
    }

    // The shop's catalogue before a run, to see whether a run left it alone.
    void fillOldCatalogue() {
        shop.addProduct(500, 3);
        shop.exec(
            "INSERT INTO category (category_id, parent_id, top, `column`, status, date_added, "
            "date_modified) "
            "VALUES (900, 0, 1, 1, 1, NOW(), NOW())");
        shop.exec("INSERT INTO product_to_category VALUES (500, 900)");
        shop.addSeoUrl("product_id=500", "old-product");
    }
    std::string catalogueRows() {
        return shop.value(
            "SELECT CONCAT((SELECT COUNT(*) FROM product), '/', (SELECT COUNT(*) FROM category), "
            "'/', "
            "(SELECT COUNT(*) FROM product_to_category), '/', (SELECT COUNT(*) FROM seo_url))");
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TestShop shop;
    ShopConnection connection;
    WorkbookSource adcExcel;
    WorkbookSource adcPrecuGrupas;
    std::unique_ptr<RecordingOperator> op;
};

TEST_F(CatalogueUpload, PublishesAThreeLevelCatalogueAsTheShopKeepsIt) {
    fillOldCatalogue();
    shop.addSeoUrl("category_id=11", "old-keyword");  // comes back: its keyword is updated
    shop.addSeoUrl("category_id=11", "old-keyword-lv", 0, 2);
    WriteGroups(dir,
                {{10, 0, 3, "Dārza mēbeles"}, {11, 10, 1, "Krēsli"}, {12, 11, 2, "ŽĀVĒTAS ZIVIS"}});
    ProductSpec a;
    a.id = 1;
    a.article = "A-1001";
    a.name = "Krēsls \"Rīga\"";
    a.parent = 12;
    a.price = 12.5;
    a.balance = 2.75;
    a.isNew = "T";
    a.date = ExcelDate{2024, 3, 15};
    a.weighed = 1;
    a.minimum = 1.5;
    a.description = "Ērts krēsls";
    a.meta = "Krēsls dārzam";
    a.keywords = "krēsls, dārzs";
    ProductSpec b;
    b.id = 2;
    b.name = "Galds";
    b.parent = 11;
    b.price = 99;
    b.struck = 15;
    WriteProducts(dir, {a, b});

    shop.startStatementLog();
    ASSERT_EQ(upload(), UploadResult::Done);

    EXPECT_EQ(
        shop.rows("SELECT category_id, parent_id, top, status, sort_order FROM category ORDER BY "
                  "category_id"),
        (Rows{
            {"10", "0", "1", "1", "3"}, {"11", "10", "0", "1", "1"}, {"12", "11", "0", "1", "2"}}));
    EXPECT_EQ(
        shop.rows(
            "SELECT category_id, path_id, level FROM category_path ORDER BY category_id, level"),
        (Rows{{"10", "10", "0"},
              {"11", "10", "0"},
              {"11", "11", "1"},
              {"12", "10", "0"},
              {"12", "11", "1"},
              {"12", "12", "2"}}));
    EXPECT_EQ(shop.rows("SELECT category_id, store_id FROM category_to_store ORDER BY category_id"),
              (Rows{{"10", "0"}, {"11", "0"}, {"12", "0"}}));
    EXPECT_EQ(shop.rows("SELECT category_id, language_id, name, description, meta_title FROM "
                        "category_description "
                        "ORDER BY category_id"),
              (Rows{{"10", "1", "Dārza mēbeles", "", ""},
                    {"11", "1", "Krēsli", "", ""},
                    {"12", "1", "ŽĀVĒTAS ZIVIS", "", ""}}));

    EXPECT_EQ(
        shop.rows("SELECT product_id, status, price, model, quantity, stock_status_id, date_added, "
                  "quantity_decimal, minimum, sku FROM product ORDER BY product_id"),
        (Rows{{"1", "1", "12.5000", "A-1001", "3", "6", "2024-03-15 00:00:00", "1", "2", ""},
              {"2", "1", "15.0000", "A-1", "0", "6", "1900-01-01 00:00:00", "0", "1", ""}}));
    EXPECT_EQ(shop.rows("SELECT product_id, store_id FROM product_to_store ORDER BY product_id"),
              (Rows{{"1", "0"}, {"2", "0"}}));
    EXPECT_EQ(
        shop.rows("SELECT product_id, category_id FROM product_to_category ORDER BY product_id"),
        (Rows{{"1", "12"}, {"2", "11"}}));
    EXPECT_EQ(
        shop.rows(
            "SELECT product_id, language_id, name, description, meta_title, tag, meta_description, "
            "meta_keyword FROM product_description ORDER BY product_id"),
        (Rows{{"1", "1", "Krēsls \"Rīga\"", "Ērts krēsls", "Krēsls \"Rīga\"", "A-1001|",
               "Krēsls dārzam", "krēsls, dārzs"},
              {"2", "1", "Galds", "", "Galds", "A-1|", "", ""}}));

    EXPECT_EQ(
        shop.rows("SELECT store_id, language_id, query, keyword FROM seo_url ORDER BY seo_url_id"),
        (Rows{{"0", "1", "product_id=500", "old-product"},  // seo_url is never emptied
              {"0", "1", "category_id=11", "Kresli"},
              {"0", "2", "category_id=11", "Kresli"},
              {"0", "1", "category_id=10", "Darza-mebeles"},
              {"0", "1", "category_id=12", "ZAVETAS-ZIVIS"},
              {"0", "1", "product_id=1", "Kresls-Riga"},
              {"0", "1", "product_id=2", "Galds"}}));
    EXPECT_EQ(shop.maintenance(), "0");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product WHERE product_id=500"), "0");

    const std::vector<std::string> sent = shop.shopStatements();
    const std::vector<std::string> start(sent.begin(), sent.begin() + 10);
    EXPECT_EQ(start, (std::vector<std::string>{
                         "UPDATE setting SET value=1 \t\t\t\t\t\t\t WHERE setting.code='config' "
                         "\t\t\t\t\t\t\t\tAND "
                         "setting.key='config_maintenance'",
                         "SELECT language_id from language", "DELETE FROM category",
                         "DELETE FROM category_to_store", "DELETE FROM category_description",
                         "DELETE FROM category_path", "DELETE FROM product",
                         "DELETE FROM product_description", "DELETE FROM product_to_category",
                         "DELETE FROM product_to_store"}));
    auto sentWith = [&sent](const std::string& prefix) {
        return std::count_if(sent.begin(), sent.end(),
                             [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
    };
    EXPECT_EQ(sentWith("INSERT INTO category" + W8 +
                       "(category_id, parent_id, top, status, sort_order) VALUES" + W8 +
                       "(10, 0, 1, 1, 3),(11, 10, 0, 1, 1),(12, 11, 0, 1, 2)"),
              1);
    EXPECT_EQ(sentWith("INSERT INTO category_path" + W7 + "(category_id, path_id, level) VALUES" +
                       W7 + "(10, 10, 0),"),
              1);
    EXPECT_EQ(sentWith("INSERT INTO category_to_store" + W8 + "(category_id, store_id) VALUES" +
                       W8 + "(10, 0),"),
              1);
    EXPECT_EQ(
        sentWith("INSERT INTO category_description" + W8 +
                 "(category_id, language_id, name) VALUES" + W8 + "(10, 1, 'Dārza mēbeles'),"),
        1);
    // The lookups of many rows go in one query each, comparing as the single lookups do.
    auto sentContaining = [&sent](const std::string& one, const std::string& other) {
        return std::count_if(sent.begin(), sent.end(), [&](const std::string& s) {
            return s.find(one) != std::string::npos && s.find(other) != std::string::npos;
        });
    };
    EXPECT_EQ(sentContaining("JOIN seo_url AS s ON s.query = ELT(l.i, ",
                             "'category_id=10', 'category_id=11', 'category_id=12')"),
              1);
    EXPECT_EQ(sentWith("SELECT product_id, category_id FROM product_to_category WHERE (product_id, "
                       "category_id) IN "
                       "((1, 12), (2, 11))"),
              1);
    EXPECT_EQ(sentWith("INSERT INTO product_to_category" + W7 + "(product_id, category_id) VALUES" +
                       W7 + "(1, 12)"),
              1);
    EXPECT_EQ(sentWith("INSERT INTO product" + W7 +
                       "(product_id, status, price, model, quantity, stock_status_id, date_added, "
                       "quantity_decimal, "
                       "minimum) VALUES" +
                       W7 + "(1, 1, 12.5, 'A-1001', 2.75, 6, '2024-03-15', 1, 1.5),"),
              1);
    EXPECT_EQ(sentWith("INSERT INTO product_to_store" + std::string(31, ' ') +
                       "(product_id, store_id) VALUES" + W7 + "(1, 0),(2, 0)"),
              1);
    EXPECT_EQ(
        sentWith("INSERT INTO product_description" + W8 +
                 "(product_id, language_id, name, description, meta_title, tag, meta_description, "
                 "meta_keyword) "
                 "VALUES" +
                 W8 +
                 "(1, 1, 'Krēsls \\\"Rīga\\\"', 'Ērts krēsls', 'Krēsls \\\"Rīga\\\"', 'A-1001|',"),
        1);
    EXPECT_EQ(
        sentWith("INSERT INTO seo_url \t\t\t\t\t\t\t  (query, keyword, language_id) VALUES "
                 "\t\t\t\t\t\t\t  "
                 "('category_id=10', 'Darza-mebeles', 1),('category_id=12', 'ZAVETAS-ZIVIS', 1),"
                 "('product_id=1', 'Kresls-Riga', 1),('product_id=2', 'Galds', 1)"),
        1);
    EXPECT_EQ(sentWith("UPDATE seo_url SET keyword='Kresli' WHERE query='category_id=11'"), 1);
    EXPECT_EQ(
        sent.back(),
        "UPDATE setting SET value=0 \t\t\t\t\t\t\t WHERE setting.code='config' \t\t\t\t\t\t\t\tAND "
        "setting.key='config_maintenance'");

    EXPECT_EQ(
        op->statuses(),
        (QStringList{
            "Dzēšu vecos ierakstus", "Sūtu preču grupas", "Sūtu preces 0/2", "Sūtu preces 1/2",
            "Ievietoju preču datus tabulās...", "Ievietoju Product tabulā: 2; Paka: 1 no 1",
            "Ievietoju ProductDescription tabulā: 2; Paka: 1 no 1", "Ievietoju SEO...",
            "Ievietoju SEO tabulā: 4; Paka: 1 no 1", "Apdeitoju SEO tabulā: 1; Paka: 1 no 1"}));
    EXPECT_TRUE(op->messages().isEmpty());
}

TEST_F(CatalogueUpload, ValueRulesForPricesDatesAndMarks) {
    WriteGroups(dir, {{10, 0, 1, "G"}});
    std::vector<ProductSpec> p = ManyProducts(7);
    p[0].price = 12.5;  // no struck-through price: the current one
    p[1].struck = 0;    // a struck-through 0 is not empty
    p[2].isNew = "t";   // only "T" marks a new product
    p[2].date = ExcelDate{2024, 3, 15};
    p[3].isNew = "T";  // new without a date: day 0 of the date scale
    p[4].weighed = 2;
    p[5].weighed = std::monostate{};
    p[6].balance = -4;
    p[6].minimum = std::monostate{};
    WriteProducts(dir, p);
    ASSERT_EQ(upload(), UploadResult::Done);
    EXPECT_EQ(shop.rows("SELECT price, date_added, quantity_decimal, quantity, minimum FROM "
                        "product ORDER BY product_id"),
              (Rows{{"12.5000", "1900-01-01 00:00:00", "0", "0", "1"},
                    {"0.0000", "1900-01-01 00:00:00", "0", "0", "1"},
                    {"1.5000", "1900-01-01 00:00:00", "0", "0", "1"},
                    {"1.5000", "1899-12-30 00:00:00", "0", "0", "1"},
                    {"1.5000", "1900-01-01 00:00:00", "0", "0", "1"},
                    {"1.5000", "1900-01-01 00:00:00", "0", "0", "1"},
                    {"1.5000", "1900-01-01 00:00:00", "0", "-4", "0"}}));
}

TEST_F(CatalogueUpload, ARepeatedProductLinksOnceAndItsBatchEndsTheRun) {
    WriteGroups(dir, {{10, 0, 1, "G"}});
    std::vector<ProductSpec> p = ManyProducts(3);
    p[1].id = 1;  // the same product in the same group twice
    WriteProducts(dir, p);
    shop.startStatementLog();
    try {
        upload();
        FAIL() << "the repeated product was accepted";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("Duplicate entry")) << e.message().toStdString();
    }
    // The second row found the link the first had written; links are written row by row,
    // before the product batch that the shop refused.
    EXPECT_EQ(
        shop.rows("SELECT product_id, category_id FROM product_to_category ORDER BY product_id"),
        (Rows{{"1", "10"}, {"3", "10"}}));
    const auto sent = shop.shopStatements();
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(),
                            [](const std::string& s) {
                                return s.rfind("INSERT INTO product_to_category", 0) == 0;
                            }),
              2);
    EXPECT_EQ(shop.maintenance(), "1");  // the run ended there, in maintenance
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM seo_url"), "0");
}

class CatalogueUploadLanguages : public CatalogueUpload {};

TEST_F(CatalogueUploadLanguages, EveryShopLanguageGetsItsDescriptions) {
    shop.addLanguage(2, "Latviešu", "lv-lv");
    shop.addLanguage(3, "Русский", "ru-ru");
    WriteGroups(dir, {{10, 0, 1, "Maize"}, {11, 10, 1, "Rupjmaize"}});
    WriteProducts(dir, ManyProducts(3));
    ASSERT_EQ(upload(), UploadResult::Done);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM category_description"), "6");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_description"), "9");
    EXPECT_EQ(
        shop.value("SELECT GROUP_CONCAT(language_id ORDER BY language_id) FROM product_description "
                   "WHERE product_id=2 AND name='Prece 2'"),
        "1,2,3");
    EXPECT_EQ(shop.value("SELECT COUNT(DISTINCT language_id) FROM seo_url"),
              "1");  // new rows: language 1
}

TEST_F(CatalogueUpload, BatchesAndProgressAtTheBoundaries) {
    shop.addLanguage(2, "Latviešu", "lv-lv");
    WriteGroups(dir, {{10, 0, 1, "G"}});
    WriteProducts(dir, ManyProducts(2501));
    ASSERT_EQ(upload(), UploadResult::Done);
    const QStringList statuses = op->statuses();
    EXPECT_TRUE(statuses.contains("Sūtu preces 2490/2501"));
    EXPECT_TRUE(statuses.contains("Sūtu preces 2500/2501"));
    EXPECT_FALSE(statuses.contains("Sūtu preces 2499/2501"));
    const int first = static_cast<int>(statuses.indexOf("Ievietoju preču datus tabulās..."));
    ASSERT_GT(first, 0);
    EXPECT_EQ(statuses.mid(first),
              (QStringList{"Ievietoju preču datus tabulās...",
                           "Ievietoju Product tabulā: 2501; Paka: 1 no 2",
                           "Ievietoju Product tabulā: 2501; Paka: 2 no 2",
                           "Ievietoju ProductDescription tabulā: 5002; Paka: 1 no 3",
                           "Ievietoju ProductDescription tabulā: 5002; Paka: 2 no 3",
                           "Ievietoju ProductDescription tabulā: 5002; Paka: 3 no 3",
                           "Ievietoju SEO...", "Ievietoju SEO tabulā: 2502; Paka: 1 no 2",
                           "Ievietoju SEO tabulā: 2502; Paka: 2 no 2"}));
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_to_store"), "2501");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_description"), "5002");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM seo_url"), "2502");
}

TEST_F(CatalogueUpload, AnEmptyProductsSheetStillWritesTheGroupsKeywords) {
    WriteGroups(dir, {{10, 0, 1, "G"}});
    WriteProducts(dir, {});
    ASSERT_EQ(upload(), UploadResult::Done);
    EXPECT_EQ(op->statuses(), (QStringList{"Dzēšu vecos ierakstus", "Sūtu preču grupas",
                                           "Ievietoju preču datus tabulās...", "Ievietoju SEO...",
                                           "Ievietoju SEO tabulā: 1; Paka: 1 no 1"}));
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "0");
    EXPECT_EQ(shop.value("SELECT query FROM seo_url"), "category_id=10");
}

TEST_F(CatalogueUpload, AGroupsSheetWithoutRowsNeedsNoGrupasSheet) {
    WriteGroups(dir, {}, "Saraksts");
    WriteProducts(dir, ManyProducts(2));
    ASSERT_EQ(upload(), UploadResult::Done);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "2");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM category"), "0");
}

TEST_F(CatalogueUpload, SortOrderThatCannotBeReadFallsBackToTheTopLevelCount) {
    WriteGroups(dir, {{1, 0, "x", "A"}, {2, 0, "x", "B"}, {3, -1, "x", "C"}, {4, 1, "x", "D"}});
    WriteProducts(dir, {});
    ASSERT_EQ(upload(), UploadResult::Done);
    EXPECT_EQ(
        shop.rows(
            "SELECT category_id, parent_id, top, sort_order FROM category ORDER BY category_id"),
        (Rows{{"1", "0", "1", "1"},
              {"2", "0", "1", "2"},
              {"3", "0", "1", "3"},
              {"4", "1", "0", "3"}}));
    // A PARENT_ID not above 0 makes a top-level group with a path of its own only.
    EXPECT_EQ(shop.rows("SELECT path_id, level FROM category_path WHERE category_id=3"),
              (Rows{{"3", "0"}}));
}

TEST_F(CatalogueUpload, PathsComeFromTheGrupasSheetAndAMissingParentEndsThePath) {
    // The first sheet is not GRUPAS; the paths are walked through GRUPAS all the same.
    testing::WorkbookBuilder()
        .sheet("Saraksts")
        .row({"ID", "PARENT_ID", "KARTOSANAS", "NOSAUKUMS"})
        .row({20, 99, 1, "Bez vecāka"})
        .row({21, 20, 2, "Apakšgrupa"})
        .sheet("GRUPAS")
        .row({"ID", "PARENT_ID"})
        .row({20, 99})
        .row({21, 20})
        .save(dir.filePath("Grupas_web.xlsx").toStdString());
    WriteProducts(dir, {});
    ASSERT_EQ(upload(), UploadResult::Done);
    EXPECT_EQ(
        shop.rows(
            "SELECT category_id, path_id, level FROM category_path ORDER BY category_id, level"),
        (Rows{{"20", "99", "0"},
              {"20", "20", "1"},
              {"21", "99", "0"},
              {"21", "20", "1"},
              {"21", "21", "2"}}));
}

TEST_F(CatalogueUpload, ABadWorkbookLeavesTheShopsCatalogueAndMaintenanceAlone) {
    fillOldCatalogue();
    const std::string before = catalogueRows();
    struct Case {
        std::function<void()> write;
        QStringList mustName;
    } cases[] = {
        {[&] {
             WriteGroups(dir, {{10, 0, 1, "G"}});
             QFile::remove(dir.filePath("Preces_web.xlsx"));
         },
         {"Preces_web.xlsx"}},
        {[&] {
             WriteGroups(dir, {{10, 0, 1, "G"}}, "Saraksts");
             WriteProducts(dir, ManyProducts(1));
         },
         {"GRUPAS", "Grupas_web.xlsx"}},
        {[&] {
             WriteGroups(dir, {{10, 0, 1, "G"}});
             std::vector<ProductSpec> p = ManyProducts(3);
             p[2].balance = "daudz";
             WriteProducts(dir, p);
         },
         {"G4", "ATLIKUMS", "daudz"}},
        {[&] {
             WriteGroups(dir,
                         {{10, 12, 1, "A"}, {11, 10, 1, "B"}, {12, 11, 1, "C"}, {13, 0, 1, "D"}});
             WriteProducts(dir, ManyProducts(1));
         },
         {"cycle", "10", "11", "12"}},
    };
    for (Case& c : cases) {
        c.write();
        shop.expectRefusedBeforeWriting([&] { upload(); }, c.mustName);
        EXPECT_EQ(catalogueRows(), before);
    }
}

TEST_F(CatalogueUpload, AFailedConnectionTestTouchesNothing) {
    fillOldCatalogue();
    WriteGroups(dir, {{10, 0, 1, "G"}});
    WriteProducts(dir, ManyProducts(1));
    Inputs in = shop.inputs(workbookPath());
    in.password = QStringLiteral("wrong");
    RecordingOperator wrong(in);
    EXPECT_EQ(upload(wrong), UploadResult::ConnectionFailed);
    ASSERT_EQ(wrong.messages().size(), 1);
    EXPECT_TRUE(wrong.messages().front().startsWith(kConnectionFailedMessage));
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "1");
}

TEST_F(CatalogueUpload, ARepeatedGroupShowsTheCategoryErrorAndTheRepeatedPathEndsTheRun) {
    WriteGroups(dir, {{10, 0, 1, "G"}, {10, 0, 2, "G again"}});
    WriteProducts(dir, ManyProducts(1));
    op = std::make_unique<RecordingOperator>(shop.inputs(workbookPath()));
    try {
        upload(*op);
        FAIL() << "the repeated path rows were accepted";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("category_path")) << e.message().toStdString();
    }
    ASSERT_EQ(op->messages().size(), 1);
    EXPECT_TRUE(op->messages().front().startsWith(
        "Kļūda ievietojot tabulā category\n Shop database error 1062"))
        << op->messages().front().toStdString();
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM category"), "1");
    EXPECT_EQ(shop.maintenance(), "1");
}

TEST_F(CatalogueUpload, ADescriptionErrorIsShownAndTheRunGoesOn) {
    // A shop that refuses long group names in its descriptions.
    shop.exec(
        "ALTER TABLE category_description ADD CONSTRAINT short_name CHECK (CHAR_LENGTH(name) < 5)");
    WriteGroups(dir, {{10, 0, 1, "Garš nosaukums"}});
    WriteProducts(dir, ManyProducts(1));
    ASSERT_EQ(upload(), UploadResult::DoneWithErrors);
    ASSERT_EQ(op->messages().size(), 1);
    EXPECT_TRUE(
        op->messages().front().startsWith("Kļūda ievietojot tabulā category_description\n "));
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "1");
    EXPECT_EQ(shop.maintenance(), "0");
}

class CatalogueUploadUtf8mb4 : public CatalogueUpload {
protected:
    CatalogueUploadUtf8mb4() : CatalogueUpload(TestShop::Charset::Utf8mb4) {}
};

TEST_F(CatalogueUploadUtf8mb4, HostileNamesReachTheShopUnchanged) {
    const std::vector<std::string> names = {
        "O'Brien \"Nr. 1\" \\ back\\slash\\",
        "tab\there",
        "Молоко 2,5%",
        "Объём Щи Ёлка",
        "A/B izmērs",
        "emoji 😀 sieriņš",
        "'); DROP TABLE product; --",
        "",
    };
    const std::vector<std::string> keywords = {
        "O'Brien-Nr.-1-\\-back\\slash\\",
        "tab\there",
        "Moloko-2,5%",
        "Ob-jm-Si-Jlka",
        "A-B-izmers",
        "emoji-😀-sierins",
        "');-DROP-TABLE-product;---",
        "",
    };
    WriteGroups(dir, {{10, 0, 1, names[0]}});
    std::vector<ProductSpec> p = ManyProducts(static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        p[i].name = names[i];
        p[i].description = names[i];
    }
    WriteProducts(dir, p);
    ASSERT_EQ(upload(), UploadResult::Done);
    EXPECT_EQ(shop.value("SELECT name FROM category_description"), names[0]);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string id = std::to_string(i + 1);
        EXPECT_EQ(shop.value("SELECT name FROM product_description WHERE product_id=" + id),
                  names[i]);
        EXPECT_EQ(shop.value("SELECT description FROM product_description WHERE product_id=" + id),
                  names[i]);
        EXPECT_EQ(shop.value("SELECT keyword FROM seo_url WHERE query='product_id=" + id + "'"),
                  keywords[i]);
    }
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), std::to_string(names.size()));
}

}  // namespace
}  // namespace wwweksports
