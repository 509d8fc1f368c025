#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <map>

#include "app/ShopCheck.h"
#include "app/Uploads.h"
#include "fixtures/CatalogueWorkbooks.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {
namespace {

using testing::RecordingOperator;
using testing::TestShop;
using Part = ChangeSection::Part;

// A section's counts as "added removed changed unchanged notInShop".
std::map<Part, std::string> Counts(const ChangeReport& report) {
    std::map<Part, std::string> counts;
    for (const ChangeSection& s : report.sections)
        counts[s.part] = std::to_string(s.added) + " " + std::to_string(s.removed) + " " +
                         std::to_string(s.changed) + " " + std::to_string(s.unchanged) + " " +
                         std::to_string(s.notInShop);
    return counts;
}

class ShopCheck : public ::testing::Test {
protected:
    void SetUp() override {
        shop.addLanguage(2, "English", "en-gb");
        testing::WriteGroups(dir, {{10, 0, 1, "Maize"}, {11, 10, 2, "Rupjmaize"}});
        std::vector<testing::ProductSpec> products = testing::ManyProducts(4);
        products[1].struck = 2.5;
        products[3].parent = 11;
        // Halves the shop's columns round as the server does: to even, or at the 4th decimal.
        products[0].minimum = 0.5, products[2].minimum = 2.5, products[2].price = 12.34565;
        for (int i = 0; i < 4; ++i) products[static_cast<size_t>(i)].balance = 10 * (i + 1);
        testing::WriteProducts(dir, products);
        Inputs in = shop.inputs(dir.filePath("Preces_web.xlsx"));
        in.products = in.specials = true;
        op = RecordingOperator(in);
    }
    // The check on an account that may only read the shop: a write would be refused.
    ChangeReport check() {
        shop.exec("REVOKE ALL PRIVILEGES ON " + shop.database() + ".* FROM '" + shop.user() +
                  "'@'%'");
        shop.exec("GRANT SELECT ON " + shop.database() + ".* TO '" + shop.user() + "'@'%'");
        const auto before = shop.fingerprint();
        op.reports.clear();
        ShopConnection connection;
        EXPECT_EQ(CheckBeforeSending(connection, op, false), Outcome::Done)
            << op.messages().join("\n").toStdString();
        EXPECT_EQ(shop.fingerprint(), before);
        shop.exec("GRANT ALL PRIVILEGES ON " + shop.database() + ".* TO '" + shop.user() + "'@'%'");
        EXPECT_EQ(op.reports.size(), 1u);
        EXPECT_EQ(op.reports.back().second, Operator::Changes::Foreseen);
        return op.reports.back().first;
    }
    // What the upload reported it changed.
    ChangeReport made(Outcome (*upload)(ShopConnection&, Operator&)) {
        op.reports.clear();
        ShopConnection connection;
        EXPECT_EQ(upload(connection, op), Outcome::Done) << op.messages().join("\n").toStdString();
        EXPECT_EQ(op.reports.size(), 1u);
        return op.reports.back().first;
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TestShop shop;
    RecordingOperator op;
};

TEST_F(ShopCheck, ForeseesWhatTheUploadsThenChangeAndWritesNothing) {
    shop.addProduct(99, 7);  // a product the workbooks do not have
    const ChangeReport fresh = check();
    EXPECT_EQ(Counts(fresh), (std::map<Part, std::string>{{Part::Groups, "2 0 0 0 0"},
                                                          {Part::Products, "4 1 0 0 0"},
                                                          {Part::Descriptions, "12 0 0 0 0"},
                                                          {Part::CategoryLinks, "4 0 0 0 0"},
                                                          {Part::Keywords, "6 0 0 0 0"},
                                                          {Part::SpecialPrices, "1 0 0 0 0"},
                                                          {Part::Stock, "0 0 0 0 4"}}));
    // What the run reports it changed is what the check foresaw.
    std::map<Part, std::string> foreseen = Counts(fresh);
    foreseen.erase(Part::Stock);
    EXPECT_EQ(Counts(made(SendLists)), foreseen);
    EXPECT_FALSE(check().anyChange());
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product"), "4");

    // One price, one name, one quantity changed by hand, one product gone, one extra.
    shop.exec("UPDATE product SET price = 9.99 WHERE product_id = 1");
    shop.exec("UPDATE product_description SET name = 'Cits' WHERE product_id = 3");
    shop.exec("DELETE FROM product WHERE product_id = 4");
    shop.exec("DELETE FROM product_description WHERE product_id = 4");
    shop.exec("UPDATE product_special SET price = 1 WHERE product_id = 2");
    shop.addProduct(98, 1);
    const ChangeReport edited = check();
    EXPECT_EQ(Counts(edited), (std::map<Part, std::string>{{Part::Groups, "0 0 0 2 0"},
                                                           {Part::Products, "1 1 1 2 0"},
                                                           {Part::Descriptions, "2 0 2 8 0"},
                                                           {Part::CategoryLinks, "0 0 0 4 0"},
                                                           {Part::Keywords, "0 0 0 6 0"},
                                                           {Part::SpecialPrices, "0 0 1 0 0"},
                                                           {Part::Stock, "0 0 0 3 1"}}));
    const ChangeSection& products = edited.sections[1];
    ASSERT_EQ(products.examples.size(), 3u);
    const ChangeExample& price = products.examples[0];
    EXPECT_EQ(QStringList({price.id, price.name, price.column, price.before, price.after}),
              QStringList({"1", "Prece 1", "price", "9.9900", "1.5000"}));
    EXPECT_EQ(products.examples[1].kind, ChangeExample::Kind::Added);
    EXPECT_EQ(products.examples[1].id, "4");
    EXPECT_EQ(products.examples[2].kind, ChangeExample::Kind::Removed);
    EXPECT_EQ(products.examples[2].id, "98");
    const ChangeExample& name = edited.sections[2].examples.front();
    EXPECT_EQ(QStringList({name.id, name.column, name.before, name.after}),
              QStringList({"3, valoda 1", "name", "Cits", "Prece 3"}));
    const ChangeExample& special = edited.sections[5].examples.front();
    EXPECT_EQ(
        QStringList({special.id, special.name, special.column, special.before, special.after}),
        QStringList({"2", "Prece 2", "price", "1.0000", "1.5000"}));
    foreseen = Counts(edited);
    foreseen.erase(Part::Stock);
    EXPECT_EQ(Counts(made(SendLists)), foreseen);
    EXPECT_FALSE(check().anyChange());

    // The stock: a quantity changed by hand, and one product the shop lacks.
    shop.exec("UPDATE product SET quantity = 5 WHERE product_id = 2");
    shop.exec("DELETE FROM product WHERE product_id = 3");
    const ChangeReport stock = check();
    EXPECT_EQ(Counts(stock)[Part::Stock], "0 0 1 2 1");
    const ChangeExample& quantity = stock.sections.back().examples.front();
    EXPECT_EQ(QStringList({quantity.id, quantity.name, quantity.before, quantity.after}),
              QStringList({"2", "Prece 2", "5", "20"}));
    EXPECT_EQ(Counts(made(UploadStockBalances)),
              (std::map<Part, std::string>{{Part::Stock, "0 0 1 2 1"}}));
    EXPECT_EQ(shop.value("SELECT quantity FROM product WHERE product_id = 2"), "20");
}

TEST_F(ShopCheck, RefusesWhatTheUploadsRefuseAndOfflineNeedsNoShop) {
    Inputs in = op.inputs();
    in.address = QStringLiteral("127.0.0.1:1");  // nothing listens there
    in.user.clear();
    op = RecordingOperator(in);
    ShopConnection connection;
    EXPECT_EQ(CheckBeforeSending(connection, op, true), Outcome::Done);
    EXPECT_EQ(op.processLines().last(),
              "Darbgrāmatas var sūtīt: grupas 2, preces 4; akciju cenas 1; atlikumi 4");
    EXPECT_TRUE(op.reports.empty());
    EXPECT_EQ(CheckBeforeSending(connection, op, false), Outcome::InputMissing);
    in.user = QStringLiteral("shop");
    op = RecordingOperator(in);
    EXPECT_EQ(CheckBeforeSending(connection, op, false), Outcome::ConnectionFailed);

    // A product ID given twice: the check refuses with the upload's own message.
    std::vector<testing::ProductSpec> twice = testing::ManyProducts(1);
    twice.push_back(twice.front());
    testing::WriteProducts(dir, twice);
    QString refusal;
    try {
        CheckBeforeSending(connection, op, true);
    } catch (const Error& e) {
        refusal = e.message();
    }
    op = RecordingOperator(shop.inputs(dir.filePath("Preces_web.xlsx")));
    try {
        UploadCatalogue(connection, op);
    } catch (const Error& e) {
        EXPECT_EQ(refusal, e.message());
    }
    EXPECT_FALSE(refusal.isEmpty());
}

}  // namespace
}  // namespace wwweksports
