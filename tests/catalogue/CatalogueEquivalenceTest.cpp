// The catalogue's lookups and links go to the shop many to a round trip; sent one at a
// time they must leave exactly the same tables, also when the run fails half-way.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "catalogue/CatalogueUpload.h"
#include "catalogue/CatalogueWorkbooks.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "shopdb/ShopConnection.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

using testing::GroupSpec;
using testing::ManyProducts;
using testing::ProductSpec;
using testing::RecordingOperator;
using testing::Rows;
using testing::TestShop;

struct Outcome {
    std::vector<Rows> tables;
    QString error;
    QStringList statuses;
    uint64_t roundTrips = 0;
};

// Publishes the workbooks in `dir` into a fresh shop prepared by `prepare`.
Outcome Publish(const QDir& dir, bool oneAtATime, const std::function<void(TestShop&)>& prepare,
                bool waitHook = false) {
    TestShop shop;
    prepare(shop);
    ShopConnection connection;
    if (waitHook) connection.setWaitHook([] {});  // the window's way of waiting
    WorkbookSource adcExcel, adcPrecuGrupas;
    RecordingOperator op(shop.inputs(dir.filePath("Preces_web.xlsx")));
    Outcome outcome;
    CatalogueOptions options;
    options.oneAtATime = oneAtATime;
    try {
        UploadCatalogue(connection, {adcExcel, adcPrecuGrupas}, op, options);
    } catch (const Error& e) {
        outcome.error = e.message();
    }
    for (const std::string& table : testing::kWrittenTables)
        outcome.tables.push_back(shop.rows("SELECT * FROM " + table));
    outcome.tables.push_back(shop.rows("SELECT * FROM setting"));
    outcome.statuses = op.statuses();
    outcome.roundTrips = connection.counters().roundTrips;
    return outcome;
}

class CatalogueEquivalence : public ::testing::Test {
protected:
    void expectSameOutcome(const std::function<void(TestShop&)>& prepare, bool expectFailure) {
        const Outcome single = Publish(dir, true, prepare);
        const Outcome batched = Publish(dir, false, prepare);
        const Outcome waiting = Publish(dir, false, prepare, true);
        EXPECT_EQ(waiting.tables, batched.tables);
        EXPECT_EQ(waiting.error.isEmpty(), batched.error.isEmpty());
        EXPECT_EQ(single.error.isEmpty(), !expectFailure) << single.error.toStdString();
        EXPECT_EQ(batched.error.isEmpty(), !expectFailure) << batched.error.toStdString();
        for (size_t t = 0; t < single.tables.size(); ++t) {
            EXPECT_EQ(single.tables[t], batched.tables[t])
                << (t < testing::kWrittenTables.size() ? testing::kWrittenTables[t] : "setting");
        }
        // The operator sees the same texts, up to the row that failed.
        EXPECT_EQ(single.statuses, batched.statuses);
        if (!expectFailure) {
            EXPECT_LT(batched.roundTrips * 20, single.roundTrips);
        }
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
};

TEST_F(CatalogueEquivalence, RepeatedGroupsAndLinksAndExistingKeywords) {
    std::vector<GroupSpec> groups;
    for (int g = 1; g <= 30; ++g)
        groups.push_back({100 + g, g > 5 ? 100 + g / 5 : 0, g, "Grupa " + std::to_string(g)});
    testing::WriteGroups(dir, groups);
    std::vector<ProductSpec> products = ManyProducts(2600);
    for (size_t i = 0; i < products.size(); ++i)
        products[i].parent = 101 + static_cast<int>(i % 30);
    testing::WriteProducts(dir, products);
    expectSameOutcome(
        [](TestShop& shop) {
            shop.addLanguage(2, "Latviešu", "lv-lv");
            shop.addSeoUrl("category_id=103", "old");
            shop.addSeoUrl("product_id=7", "old");
            shop.addSeoUrl("PRODUCT_ID=8 ",
                           "old");  // the column's collation finds it for product_id=8
            shop.exec("INSERT INTO product_to_category VALUES (5, 105)");  // deleted by the reset
        },
        false);
}

TEST_F(CatalogueEquivalence, ARunThatFailsOnARejectedLinkWritesTheSameRowsBeforeIt) {
    testing::WriteGroups(dir, {{10, 0, 1, "G"}, {11, 0, 2, "H"}, {12, 0, 3, "I"}});
    std::vector<ProductSpec> products = ManyProducts(1500);
    for (size_t i = 0; i < products.size(); ++i) products[i].parent = 10 + static_cast<int>(i % 3);
    products[20].id = 20;  // product 20 twice in group 11: the link once, then the batch fails
    products[20].parent = 11;
    products[19].parent = 11;
    products[1200].parent = 99;  // a link the shop refuses, after the first round trip's rows
    testing::WriteProducts(dir, products);
    expectSameOutcome(
        [](TestShop& shop) {
            shop.exec(
                "ALTER TABLE product_to_category ADD CONSTRAINT known_group CHECK (category_id < "
                "50)");
        },
        true);
}

TEST_F(CatalogueEquivalence, ARunThatFailsOnARepeatedProductWritesTheSameRowsBeforeIt) {
    testing::WriteGroups(dir, {{10, 0, 1, "G"}});
    std::vector<ProductSpec> products = ManyProducts(40);
    products[30].id = 4;  // the same product and group twice
    products[31].id = 0;  // product 0 twice: its link reads back as 0 and is written again
    products[32].id = 0;
    testing::WriteProducts(dir, products);
    expectSameOutcome([](TestShop&) {}, true);
}

}  // namespace
}  // namespace wwweksports
