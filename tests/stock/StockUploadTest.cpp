#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "fixtures/WorkbookBuilder.h"
#include "operator/Error.h"
#include "shopdb/ShopChecks.h"
#include "shopdb/ShopConnection.h"
#include "stock/StockBalances.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

using testing::CellValue;
using testing::RecordingOperator;
using testing::Rows;
using testing::TestShop;
using testing::WorkbookBuilder;

const std::string kTail = " " + std::string(8, '\t') + " where product_id=";
const std::string kMaintenanceOn =
    "UPDATE setting SET value=1 \t\t\t\t\t\t\t WHERE setting.code='config' \t\t\t\t\t\t\t\tAND "
    "setting.key='config_maintenance'";
const std::string kMaintenanceOff =
    "UPDATE setting SET value=0 \t\t\t\t\t\t\t WHERE setting.code='config' \t\t\t\t\t\t\t\tAND "
    "setting.key='config_maintenance'";

class StockUpload : public ::testing::Test {
protected:
    // Writes Preces_web.xlsx with the given data rows below the header row.
    QString writeProducts(const std::vector<std::vector<CellValue>>& rows,
                          std::vector<CellValue> header = {"ID", "NOSAUKUMS", "ATLIKUMS"}) {
        WorkbookBuilder builder;
        builder.sheet("Preces").row(std::move(header));
        for (const auto& row : rows) builder.row(row);
        const QString path = dir.filePath(kProductsWorkbook);
        builder.save(path.toStdString());
        // The operator picks a file of the workbook directory; any file there will do.
        return dir.filePath(QStringLiteral("Grupas_web.xlsx"));
    }

    int upload(RecordingOperator& op) { return UploadStockBalances(connection, source, op); }

    QTemporaryDir dir;
    TestShop shop;
    ShopConnection connection;
    WorkbookSource source;
};

TEST_F(StockUpload, SetsEveryQuantityInWorkbookOrderWithTheExactStatement) {
    for (int id : {17, 18, 19, 20, 21}) shop.addProduct(id, 100);
    const QString path = writeProducts({
        {17, "Piens", 5},
        {999, "Nav veikalā", 7},          // no such product: nothing happens
        {18, "Maize", std::monostate{}},  // empty balance: 0
        {19, "Siers", 2.75},              // rounded
        {20, "Desa", -4},                 // negative as it is
        {21, "Sula", 1},
        {21, "Sula", 9},  // the later row wins
    });
    shop.startStatementLog();
    RecordingOperator op(shop.inputs(path));
    EXPECT_EQ(upload(op), kCheckOk);

    const Rows expected = {{"17", "5"}, {"18", "0"}, {"19", "3"}, {"20", "-4"}, {"21", "9"}};
    EXPECT_EQ(shop.rows("SELECT product_id, quantity FROM product ORDER BY product_id"), expected);
    EXPECT_EQ(shop.maintenance(), "0");
    EXPECT_TRUE(op.events.empty());  // no status, log line or message

    const std::vector<std::string> statements = {
        kMaintenanceOn,
        "UPDATE product set quantity=5" + kTail + "17",
        "UPDATE product set quantity=7" + kTail + "999",
        "UPDATE product set quantity=0" + kTail + "18",
        "UPDATE product set quantity=3" + kTail + "19",
        "UPDATE product set quantity=-4" + kTail + "20",
        "UPDATE product set quantity=1" + kTail + "21",
        "UPDATE product set quantity=9" + kTail + "21",
        kMaintenanceOff,
    };
    EXPECT_EQ(shop.shopStatements(), statements);
    EXPECT_EQ(kStockUpdateStatement.size(), 72);
}

TEST_F(StockUpload, HeaderOnlyWorkbookSwitchesMaintenanceOnAndOffAndChangesNothing) {
    shop.addProduct(1, 42);
    const QString path = writeProducts({}, {"id", "atlikums"});  // header names in any case
    shop.startStatementLog();
    RecordingOperator op(shop.inputs(path));
    EXPECT_EQ(upload(op), kCheckOk);
    EXPECT_EQ(shop.value("SELECT quantity FROM product"), "42");
    EXPECT_EQ(shop.shopStatements(), (std::vector<std::string>{kMaintenanceOn, kMaintenanceOff}));
}

TEST_F(StockUpload, ABadWorkbookStopsTheRunBeforeTheShopIsTouched) {
    shop.addProduct(1, 42);
    struct Case {
        std::vector<std::vector<CellValue>> rows;
        std::vector<CellValue> header;
        QStringList mustName;
    } cases[] = {
        {{{1, "A", 5}, {2, "B", "daudz"}},
         {"ID", "NOSAUKUMS", "ATLIKUMS"},
         {"C3", "ATLIKUMS", "daudz"}},
        {{{1, "A", 5}}, {"ID", "NOSAUKUMS", "DAUDZUMS"}, {"ATLIKUMS", "Preces_web.xlsx"}},
    };
    for (const Case& c : cases) {
        RecordingOperator op(shop.inputs(writeProducts(c.rows, c.header)));
        shop.expectRefusedBeforeWriting([&] { upload(op); }, c.mustName);
        EXPECT_EQ(shop.value("SELECT quantity FROM product"), "42");
    }
}

TEST_F(StockUpload, AMissingWorkbookLeavesTheShopAsItWas) {
    RecordingOperator op(shop.inputs(dir.filePath(QStringLiteral("Grupas_web.xlsx"))));
    shop.startStatementLog();
    try {
        upload(op);
        FAIL() << "no error without a workbook";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(dir.filePath(kProductsWorkbook)))
            << e.message().toStdString();
    }
    EXPECT_EQ(shop.maintenance(), "0");
    EXPECT_TRUE(shop.shopStatements().empty());
}

TEST_F(StockUpload, MissingInputsAndAFailedConnectionTestStopWithTheirMessage) {
    const QString path = writeProducts({{1, "A", 5}});
    Inputs noPassword = shop.inputs(path);
    noPassword.password.clear();
    RecordingOperator missing(noPassword);
    EXPECT_EQ(upload(missing), kInputMissing);
    EXPECT_EQ(missing.messages(), QStringList{"Nav ievadīts MySQL parole !!!"});

    Inputs wrong = shop.inputs(path);
    wrong.password = QStringLiteral("wrong");
    RecordingOperator refused(wrong);
    EXPECT_EQ(upload(refused), kNoConnection);
    ASSERT_EQ(refused.messages().size(), 1);
    EXPECT_TRUE(refused.messages().front().startsWith(kConnectionFailedMessage));
    EXPECT_EQ(shop.maintenance(), "0");
}

TEST_F(StockUpload, ARunAfterAFailedOneEndsMaintenance) {
    shop.addProduct(1, 0);
    shop.exec("UPDATE setting SET value='1' WHERE `key`='config_maintenance' AND code='config'");
    RecordingOperator op(shop.inputs(writeProducts({{1, "A", 3}})));
    EXPECT_EQ(upload(op), kCheckOk);
    EXPECT_EQ(shop.maintenance(), "0");
    EXPECT_EQ(shop.value("SELECT quantity FROM product"), "3");
}

TEST_F(StockUpload, ADatabaseErrorAfterMaintenanceOnEndsTheRunWithTheShopInMaintenance) {
    shop.addProduct(1, 0);
    shop.addProduct(2, 0);
    // The shop refuses the second row's balance.
    shop.exec(
        "ALTER TABLE product MODIFY quantity INT(4) NOT NULL DEFAULT 0 CHECK (quantity < 100)");
    RecordingOperator op(shop.inputs(writeProducts({{1, "A", 3}, {2, "B", 500}})));
    EXPECT_THROW(upload(op), Error);
    EXPECT_EQ(shop.value("SELECT quantity FROM product WHERE product_id=1"), "3");
    EXPECT_EQ(shop.value("SELECT quantity FROM product WHERE product_id=2"), "0");
    EXPECT_EQ(shop.maintenance(), "1");
}

TEST_F(StockUpload, EditedConnectionFieldsTakeEffectAtTheNextRun) {
    TestShop other;
    shop.addProduct(1, 0);
    other.addProduct(1, 0);
    const QString path = writeProducts({{1, "A", 8}});
    RecordingOperator first(shop.inputs(path));
    EXPECT_EQ(upload(first), kCheckOk);
    RecordingOperator second(other.inputs(path));
    EXPECT_EQ(upload(second), kCheckOk);
    EXPECT_EQ(other.value("SELECT quantity FROM product"), "8");

    shop.exec("UPDATE product SET quantity=0");
    RecordingOperator third(other.inputs(writeProducts({{1, "A", 9}})));
    EXPECT_EQ(upload(third), kCheckOk);
    EXPECT_EQ(shop.value("SELECT quantity FROM product"), "0");
    EXPECT_EQ(other.value("SELECT quantity FROM product"), "9");
}

TEST_F(StockUpload, OneRoundTripPerRowAndManyRowsPerRoundTripLeaveTheSameShop) {
    std::vector<std::vector<CellValue>> rows;
    for (int i = 0; i < 3000; ++i) rows.push_back({1 + i % 1200, "P", (i * 7) % 90});
    rows[2500] = {5, "P", 200};  // refused below, after 2,500 rows took effect
    const QString path = writeProducts(rows);
    shop.exec(
        "ALTER TABLE product MODIFY quantity INT(4) NOT NULL DEFAULT 0 CHECK (quantity < 100)");

    auto publish = [&](bool oneAtATime) {
        shop.exec("DELETE FROM product");
        for (int id = 1; id <= 1200; ++id) shop.addProduct(id, -1);
        RecordingOperator op(shop.inputs(path));
        ShopConnection fresh;
        EXPECT_THROW(UploadStockBalances(fresh, source, op, oneAtATime), Error);
        return std::make_pair(
            shop.rows("SELECT product_id, quantity FROM product ORDER BY product_id"),
            fresh.counters().roundTrips);
    };
    const auto single = publish(true);
    const auto batched = publish(false);
    EXPECT_EQ(single.first, batched.first);
    EXPECT_EQ(single.first[4][1], std::to_string((2404 * 7) % 90));  // product 5, from row 2404
    EXPECT_GT(single.second, 2500u);
    EXPECT_LT(batched.second, 20u);
}

}  // namespace
}  // namespace wwweksports
