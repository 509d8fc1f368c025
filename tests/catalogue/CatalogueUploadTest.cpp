#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/Uploads.h"
#include "fixtures/CatalogueWorkbooks.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {
namespace {

using testing::ExcelDate;
using testing::ManyProducts;
using testing::ProductSpec;
using testing::RecordingOperator;
using testing::TestShop;
using testing::WriteGroups;
using testing::WriteProducts;

class CatalogueUpload : public ::testing::Test {
protected:
    Outcome upload() {
        op = RecordingOperator(shop.inputs(dir.filePath("Preces_web.xlsx")));
        return UploadCatalogue(connection, op);
    }
    // The error that ends the upload.
    QString failure() {
        try {
            upload();
        } catch (const Error& e) {
            return e.message();
        }
        ADD_FAILURE() << "the upload went through";
        return QString();
    }

    // Product 1151 of 1200 is linked to a group the shop refuses: the links before it are
    // written, and the texts stop at its row.
    void refuseTheLinkOfRow1151() {
        shop.exec(
            "ALTER TABLE product_to_category ADD CONSTRAINT known_group CHECK (category_id < 50)");
        WriteGroups(dir, {{10, 0, 1, "G"}});
        std::vector<ProductSpec> p = ManyProducts(1200);
        p[1150].parent = 99;
        WriteProducts(dir, p);
        EXPECT_TRUE(failure().contains("known_group"));
        EXPECT_EQ(
            shop.value("SELECT CONCAT(COUNT(*), ' ', MAX(product_id)) FROM product_to_category"),
            "1150 1150");
        EXPECT_EQ(op.statuses().back(), "Sūtu preces 1150/1200");
        // The descriptions, which go in beside the links, are taken back.
        EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_description"), "0");
        EXPECT_EQ(disabledKeys(), "0");
    }
    std::string disabledKeys() {
        return shop.value(
            "SELECT COUNT(*) FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = DATABASE() "
            "AND COMMENT = 'disabled'");
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TestShop shop;
    ShopConnection connection;
    RecordingOperator op;
};

TEST_F(CatalogueUpload, PublishesAThreeLevelCatalogueAsTheShopKeepsIt) {
    shop.addLanguage(2, "Latviešu", "lv-lv");
    shop.addProduct(500, 3);  // the old catalogue goes, its keyword stays
    shop.addSeoUrl("product_id=500", "old-product");
    shop.addSeoUrl("category_id=11", "old", 0, 1);  // comes back: both rows get the new keyword
    shop.addSeoUrl("category_id=11", "old-lv", 0, 2);
    WriteGroups(dir, {{10, 0, 3, "Dārza mēbeles"}, {11, 10, 1, "Krēsli"}, {12, 11, 2, "ŽĀVĒTAS"}});
    std::vector<ProductSpec> p = ManyProducts(4);
    // clang-format off
    p[0] = {1, "A-1001", "Krēsls \"Rīga\"", 12, 12.5, {}, 2.75, "T", ExcelDate{2024, 3, 15}, 1, 1.5,
            "Ērts", "Meta", "krēsls, dārzs"};
    // clang-format on
    p[1].parent = 11;
    p[1].price = 99;
    p[1].struck = 15;  // the struck-through price is the product's price
    p[2].struck = 0;   // a struck-through 0 is not empty
    p[2].isNew = "t";  // only "T" marks a new product
    p[2].date = ExcelDate{2024, 3, 15};
    p[2].weighed = 2;
    p[3].isNew = "T";  // new without a date: day 0 of the date scale
    p[3].weighed = p[3].minimum = std::monostate{};
    p[3].balance = -4;
    WriteProducts(dir, p);
    std::string maintenanceWhileWriting;
    op = RecordingOperator(shop.inputs(dir.filePath("Preces_web.xlsx")));
    op.onStatus = [&](const QString& s) {
        if (s == "Sūtu preču grupas") maintenanceWhileWriting = shop.maintenance();
    };
    ASSERT_EQ(UploadCatalogue(connection, op), Outcome::Done);

    EXPECT_EQ(maintenanceWhileWriting, "1");
    EXPECT_EQ(shop.maintenance(), "0");
    EXPECT_EQ(shop.text("SELECT category_id, parent_id, top, status, sort_order FROM category"),
              "10,0,1,1,3 | 11,10,0,1,1 | 12,11,0,1,2");
    EXPECT_EQ(shop.text("SELECT * FROM category_path ORDER BY 1, 3"),
              "10,10,0 | 11,10,0 | 11,11,1 | 12,10,0 | 12,11,1 | 12,12,2");
    EXPECT_EQ(shop.text("SELECT * FROM category_to_store"), "10,0 | 11,0 | 12,0");
    EXPECT_EQ(shop.text("SELECT category_id, language_id, name, description FROM "
                        "category_description ORDER BY 1, 2"),
              "10,1,Dārza mēbeles, | 10,2,Dārza mēbeles, | 11,1,Krēsli, | 11,2,Krēsli, | "
              "12,1,ŽĀVĒTAS, | 12,2,ŽĀVĒTAS,");
    EXPECT_EQ(shop.text("SELECT product_id, status, price, model, quantity, stock_status_id, "
                        "date_added, quantity_decimal, minimum, sku FROM product"),
              "1,1,12.5000,A-1001,3,6,2024-03-15 00:00:00,1,2, | "
              "2,1,15.0000,A-1,0,6,1900-01-01 00:00:00,0,1, | "
              "3,1,0.0000,A-1,0,6,1900-01-01 00:00:00,0,1, | "
              "4,1,1.5000,A-1,-4,6,1899-12-30 00:00:00,0,0,");
    EXPECT_EQ(shop.text("SELECT * FROM product_to_store"), "1,0 | 2,0 | 3,0 | 4,0");
    EXPECT_EQ(shop.text("SELECT * FROM product_to_category"), "1,12 | 2,11 | 3,10 | 4,10");
    EXPECT_EQ(
        shop.text("SELECT product_id, language_id, name, description, meta_title, tag, "
                  "meta_description, meta_keyword FROM product_description WHERE product_id < 3 "
                  "ORDER BY 1, 2"),
        "1,1,Krēsls \"Rīga\",Ērts,Krēsls \"Rīga\",A-1001|,Meta,krēsls, dārzs | "
        "1,2,Krēsls \"Rīga\",Ērts,Krēsls \"Rīga\",A-1001|,Meta,krēsls, dārzs | "
        "2,1,Prece 2,,Prece 2,A-1|,, | 2,2,Prece 2,,Prece 2,A-1|,,");
    EXPECT_EQ(
        shop.text("SELECT store_id, language_id, query, keyword FROM seo_url ORDER BY seo_url_id"),
        "0,1,product_id=500,old-product | 0,1,category_id=11,Kresli | "
        "0,2,category_id=11,Kresli | 0,1,category_id=10,Darza-mebeles | "
        "0,1,category_id=12,ZAVETAS | 0,1,product_id=1,Kresls-Riga | 0,1,product_id=2,Prece-2 | "
        "0,1,product_id=3,Prece-3 | 0,1,product_id=4,Prece-4");
    EXPECT_EQ(shop.text("SELECT value FROM setting"), "Demo veikals | 0 | 1 | 0");
    EXPECT_EQ(
        op.statuses().mid(1),  // after "Pieslēdzos datu bāzei ..."
        (QStringList{
            "Dzēšu vecos ierakstus", "Sūtu preču grupas", "Sūtu preces 0/4", "Sūtu preces 3/4",
            "Ievietoju preču datus tabulās...", "Ievietoju Product tabulā: 4; Paka: 1 no 1",
            "Ievietoju ProductDescription tabulā: 8; Paka: 1 no 1", "Ievietoju SEO...",
            "Ievietoju SEO tabulā: 6; Paka: 1 no 1", "Apdeitoju SEO tabulā: 1; Paka: 1 no 1"}));
    EXPECT_TRUE(op.messages().isEmpty());
}

// 2,500 rows are one batch, 2,501 two, 5,002 three.
TEST_F(CatalogueUpload, BatchesOf2500AreAnnouncedWithTheirCount) {
    shop.addLanguage(2, "Latviešu", "lv-lv");
    // Keywords are looked up a thousand rows at a time, with the answers of a lookup per row.
    shop.addSeoUrl("PRODUCT_ID=8 ", "old");  // the column's collation matches product_id=8
    shop.addSeoUrl("product_id=1199", "old");
    WriteGroups(dir, {{10, 0, 1, "G"}});
    WriteProducts(dir, ManyProducts(2501));
    ASSERT_EQ(upload(), Outcome::Done);
    const QStringList statuses = op.statuses();
    EXPECT_TRUE(statuses.contains("Sūtu preces 2490/2501"));
    EXPECT_TRUE(statuses.contains("Sūtu preces 2500/2501"));
    EXPECT_FALSE(statuses.contains("Sūtu preces 2499/2501"));
    const int first = static_cast<int>(statuses.indexOf("Ievietoju preču datus tabulās..."));
    EXPECT_EQ(statuses.mid(first + 1),
              (QStringList{"Ievietoju Product tabulā: 2501; Paka: 1 no 2",
                           "Ievietoju Product tabulā: 2501; Paka: 2 no 2",
                           "Ievietoju ProductDescription tabulā: 5002; Paka: 1 no 3",
                           "Ievietoju ProductDescription tabulā: 5002; Paka: 2 no 3",
                           "Ievietoju ProductDescription tabulā: 5002; Paka: 3 no 3",
                           "Ievietoju SEO...", "Ievietoju SEO tabulā: 2500; Paka: 1 no 1",
                           "Apdeitoju SEO tabulā: 2; Paka: 1 no 1"}));
    EXPECT_EQ(shop.text("SELECT (SELECT COUNT(*) FROM product_to_store), (SELECT COUNT(*) FROM "
                        "product_description), (SELECT COUNT(*) FROM seo_url)"),
              "2501,5002,2502");
    EXPECT_EQ(shop.text("SELECT query, keyword FROM seo_url LIMIT 2"),
              "PRODUCT_ID=8 ,Prece-8 | product_id=1199,Prece-1199");
}

// The descriptions go over a second session; an account allowed one session at a time has
// them go after the products over the upload's own.
TEST_F(CatalogueUpload, AnAccountAllowedOneSessionStillWritesTheDescriptions) {
    shop.exec("ALTER USER '" + shop.user() + "'@'%' WITH MAX_USER_CONNECTIONS 1");
    WriteGroups(dir, {{10, 0, 1, "G"}});
    WriteProducts(dir, ManyProducts(2501));
    ASSERT_EQ(upload(), Outcome::Done);
    const QStringList statuses = op.statuses();
    const int first =
        static_cast<int>(statuses.indexOf("Ievietoju Product tabulā: 2501; Paka: 2 no 2"));
    EXPECT_EQ(statuses.mid(first + 1, 3),
              (QStringList{"Ievietoju ProductDescription tabulā: 2501; Paka: 1 no 2",
                           "Ievietoju ProductDescription tabulā: 2501; Paka: 2 no 2",
                           "Ievietoju SEO..."}));
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_description"), "2501");
    EXPECT_EQ(disabledKeys(), "0");
}

TEST_F(CatalogueUpload, GroupsArePlacedThroughTheGrupasSheet) {
    // The first sheet is not GRUPAS; the paths are walked through GRUPAS all the same. Sort
    // orders that cannot be read fall back to the count of top-level groups so far.
    testing::WorkbookBuilder builder;
    builder.sheet("Saraksts").row({"ID", "PARENT_ID", "KARTOSANAS", "NOSAUKUMS"});
    const std::vector<std::vector<testing::CellValue>> groups = {
        {1, 0, "x", "A"}, {2, 0, "x", "B"}, {3, -1, "x", "C"},
        {4, 1, "x", "D"}, {20, 99, 5, "E"}, {21, 20, 6, "F"}};
    for (const auto& g : groups) builder.row(g);
    builder.sheet("GRUPAS").row({"ID", "PARENT_ID"});
    for (const auto& g : groups) builder.row({g[0], g[1]});
    builder.save(dir.filePath("Grupas_web.xlsx").toStdString());
    WriteProducts(dir, {});
    ASSERT_EQ(upload(), Outcome::Done);
    EXPECT_EQ(shop.text("SELECT category_id, parent_id, top, sort_order FROM category"),
              "1,0,1,1 | 2,0,1,2 | 3,0,1,3 | 4,1,0,3 | 20,99,0,5 | 21,20,0,6");
    // A parent without a row of its own ends the path.
    EXPECT_EQ(shop.text("SELECT * FROM category_path ORDER BY 1, 3"),
              "1,1,0 | 2,2,0 | 3,3,0 | 4,1,0 | 4,4,1 | 20,99,0 | 20,20,1 | 21,99,0 | 21,20,1 | "
              "21,21,2");
    // An empty products sheet still writes the groups' keywords.
    EXPECT_EQ(op.statuses().mid(3),  // after connecting, deleting and the groups
              (QStringList{"Ievietoju preču datus tabulās...", "Ievietoju SEO...",
                           "Ievietoju SEO tabulā: 6; Paka: 1 no 1"}));
}

TEST_F(CatalogueUpload, AGroupsSheetWithoutRowsNeedsNoGrupas) {
    WriteGroups(dir, {}, "Saraksts");
    WriteProducts(dir, ManyProducts(2));
    ASSERT_EQ(upload(), Outcome::Done);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "2");
}

TEST_F(CatalogueUpload, ARefusedLinkEndsTheRunAfterTheRowsBeforeIt) {
    refuseTheLinkOfRow1151();
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "0");
}

// With transactions the refused statement is undone whole: the rows before the refused one
// are written again one by one, and the shop ends as on a table without them.
TEST_F(CatalogueUpload, ARefusedLinkOnATableWithTransactionsKeepsTheRowsBeforeIt) {
    shop.exec("ALTER TABLE product_to_category ENGINE=InnoDB");
    refuseTheLinkOfRow1151();
}

// A refused category or group description is shown and the rest still goes in; a refused
// path ends the upload there, before the descriptions and the products.
TEST_F(CatalogueUpload, ARefusedCategoryIsShownAndTheGroupsOtherRowsStillGoIn) {
    WriteGroups(dir, {{10, 0, 1, "A"}, {11, 10, 1, "B"}, {12, 0, 2, "C"}});
    WriteProducts(dir, ManyProducts(2));
    const auto state = [this] {
        return shop.value(
            "SELECT CONCAT_WS(' ', (SELECT COUNT(*) FROM category), (SELECT COUNT(*) FROM "
            "category_path), (SELECT COUNT(*) FROM category_to_store), (SELECT COUNT(*) FROM "
            "category_description), (SELECT COUNT(*) FROM product))");
    };
    const std::pair<std::string, std::string> cases[] = {
        {"ALTER TABLE category ADD CONSTRAINT refused CHECK (parent_id <> 10)", "1 4 3 3 2"},
        {"ALTER TABLE category_description ADD CONSTRAINT refused CHECK (name <> 'B')",
         "3 4 3 1 2"},
    };
    for (const auto& [refusal, expected] : cases) {
        shop.exec("DELETE FROM category_description");  // the last run's, which the rule refuses
        shop.exec(refusal);
        EXPECT_EQ(upload(), Outcome::ShownErrors);
        EXPECT_EQ(state(), expected) << refusal;
        ASSERT_EQ(op.messages().size(), 1);
        EXPECT_TRUE(op.messages()[0].startsWith("Kļūda ievietojot tabulā " +
                                                QString::fromStdString(refusal).section(' ', 2, 2)))
            << op.messages()[0].toStdString();
        shop.exec(refusal.substr(0, refusal.find(" ADD ")) + " DROP CONSTRAINT refused");
    }
    shop.exec("DELETE FROM category_path");
    shop.exec("ALTER TABLE category_path ADD CONSTRAINT refused CHECK (level < 1)");
    EXPECT_TRUE(failure().contains("refused"));
    EXPECT_EQ(state(), "3 2 0 0 0");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_description"), "0");
}

// Products and descriptions are written side by side; a refused row leaves the shop as if the
// descriptions came after the products, with every table's keys on.
TEST_F(CatalogueUpload, ARefusedProductOrDescriptionEndsAsIfTheDescriptionsCameAfter) {
    WriteGroups(dir, {{10, 0, 1, "G"}});
    std::vector<ProductSpec> p = ManyProducts(6000);
    p[5099].balance = 99;  // product 5100
    WriteProducts(dir, p);
    const auto state = [this] {
        return shop.value(
            "SELECT CONCAT_WS(' ', (SELECT COUNT(*) FROM product), (SELECT COUNT(*) FROM "
            "product_to_store), (SELECT COUNT(*) FROM product_description), (SELECT COUNT(*) "
            "FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = DATABASE() AND COMMENT = "
            "'disabled'))");
    };
    shop.exec("ALTER TABLE product ADD CONSTRAINT refused CHECK (quantity <> 99)");
    EXPECT_TRUE(failure().contains("refused"));
    // Two batches of store links, the third batch's products up to the refused one, no
    // description.
    EXPECT_EQ(state(), "5099 5000 0 0");
    EXPECT_EQ(op.statuses().back(), "Ievietoju Product tabulā: 6000; Paka: 3 no 3");

    shop.exec("ALTER TABLE product DROP CONSTRAINT refused");
    shop.exec(
        "ALTER TABLE product_description ADD CONSTRAINT refused CHECK (name <> 'Prece 5100')");
    EXPECT_TRUE(failure().contains("refused"));
    EXPECT_EQ(state(), "6000 6000 5099 0");
    const QStringList statuses = op.statuses();
    EXPECT_EQ(statuses.indexOf("Ievietoju Product tabulā: 6000; Paka: 3 no 3") + 1,
              statuses.indexOf("Ievietoju ProductDescription tabulā: 6000; Paka: 1 no 3"));
    EXPECT_EQ(statuses.back(), "Ievietoju ProductDescription tabulā: 6000; Paka: 3 no 3");

    // A keyword refused while the descriptions' keys are rebuilt: every description is in,
    // and their keys are on.
    shop.exec("ALTER TABLE product_description DROP CONSTRAINT refused");
    shop.exec("ALTER TABLE seo_url ADD CONSTRAINT refused CHECK (query <> 'product_id=5100')");
    EXPECT_TRUE(failure().contains("refused"));
    EXPECT_EQ(state(), "6000 6000 6000 0");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM seo_url"), "5100");
}

}  // namespace
}  // namespace wwweksports
