#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "fixtures/WorkbookBuilder.h"
#include "operator/Error.h"
#include "prices/PromotionalPrices.h"
#include "shopdb/ShopChecks.h"
#include "shopdb/ShopConnection.h"
#include "workbook/QtPrinting.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

using testing::CellValue;
using testing::RecordingOperator;
using testing::Rows;
using testing::TestShop;
using testing::WorkbookBuilder;

const std::string kBlanks(33, ' ');
const std::string kInsertHead = "INSERT INTO product_special (product_special_id," + kBlanks +
                                "product_id, customer_group_id, price, date_start, " +
                                std::string(8, '\t') + "date_end, priority) VALUES" + kBlanks;
const std::string kMaintenanceOn =
    "UPDATE setting SET value=1 \t\t\t\t\t\t\t WHERE setting.code='config' \t\t\t\t\t\t\t\tAND "
    "setting.key='config_maintenance'";
const std::string kMaintenanceOff =
    "UPDATE setting SET value=0 \t\t\t\t\t\t\t WHERE setting.code='config' \t\t\t\t\t\t\t\tAND "
    "setting.key='config_maintenance'";
const std::string kDelete = "DELETE FROM product_special";
const std::string kMax = "SELECT MAX(product_special_id) MAX_COUNT FROM product_special";
const QString kPriceStatus = QStringLiteral("Preču pazeminātā cena");
const std::string kSpecials =
    "SELECT product_special_id, product_id, customer_group_id, priority, price, date_start, "
    "date_end FROM product_special ORDER BY product_special_id";

// One row of the INSERT as the server logs it, for a run on 10 March 2026.
std::string Tuple(int id, int productId, const std::string& price) {
    return "(" + std::to_string(id) + ", " + std::to_string(productId) + ", 1," + kBlanks + price +
           ", DATE'2026-03-09', DATE'2050-12-31', 999)";
}

size_t TupleCount(const std::string& insert) {
    size_t count = 1;
    for (size_t at = insert.find("),("); at != std::string::npos; at = insert.find("),(", at + 1))
        ++count;
    return count;
}

class SpecialPriceUpload : public ::testing::Test {
protected:
    void SetUp() override {
        // A special price of another source that every run removes.
        shop.exec(
            "INSERT INTO product_special VALUES (50, 99, 2, 1, 3.5, '2020-01-01', '2021-01-01')");
    }

    // Writes Preces_web.xlsx and returns a path of the workbook directory, as the operator
    // picks it.
    QString writeProducts(const std::vector<std::vector<CellValue>>& rows,
                          std::vector<CellValue> header = {"ID", "NOSAUKUMS", "SVITROTA_CENA",
                                                           "CENA_AR_PVN"}) {
        WorkbookBuilder builder;
        builder.sheet("Preces").row(std::move(header));
        for (const auto& row : rows) builder.row(row);
        builder.save(dir.filePath(kProductsWorkbook).toStdString());
        return dir.filePath(QStringLiteral("Grupas_web.xlsx"));
    }

    int upload(RecordingOperator& op, const QDate& today = QDate(2026, 3, 10)) {
        return UploadSpecialPrices(connection, source, op, today);
    }

    bool oldSpecialKept() { return shop.value("SELECT COUNT(*) FROM product_special") == "1"; }

    QTemporaryDir dir;
    TestShop shop;
    ShopConnection connection;
    WorkbookSource source;
};

TEST_F(SpecialPriceUpload, ReplacesEverySpecialWithOnePerStruckThroughPriceInWorkbookOrder) {
    shop.exec("UPDATE setting SET value='1' WHERE `key`='config_maintenance' AND code='config'");
    const QString path = writeProducts({
        {17, "Piens", 2.5, 1.99},
        {18, "Maize", std::monostate{}, 1.2},  // no struck-through price: not on promotion
        {19, "Siers", "0", std::monostate{}},  // "0" is filled in; an empty price is 0
        {20, "Desa", 0, 0.5},
        {17, "Piens", 3, 4.25},  // the same product again, a price above the struck one
    });
    shop.startStatementLog();
    RecordingOperator op(shop.inputs(path));
    EXPECT_EQ(upload(op), kCheckOk);

    const Rows expected = {
        {"2", "17", "1", "999", "1.9900", "2026-03-09", "2050-12-31"},
        {"3", "19", "1", "999", "0.0000", "2026-03-09", "2050-12-31"},
        {"4", "20", "1", "999", "0.5000", "2026-03-09", "2050-12-31"},
        {"5", "17", "1", "999", "4.2500", "2026-03-09", "2050-12-31"},
    };
    EXPECT_EQ(shop.rows(kSpecials), expected);
    EXPECT_EQ(shop.maintenance(), "0");

    const std::string insert = kInsertHead + Tuple(2, 17, "1.99") + "," + Tuple(3, 19, "0") + "," +
                               Tuple(4, 20, "0.5") + "," + Tuple(5, 17, "4.25");
    EXPECT_EQ(shop.shopStatements(),
              (std::vector<std::string>{kMaintenanceOn, kDelete, kMax, insert, kMaintenanceOff}));
    EXPECT_EQ(kSpecialPriceInsertStatement.size(), 327);

    ASSERT_EQ(op.events.size(), 2u);  // no message, no process line
    for (const auto& event : op.events) {
        EXPECT_EQ(event.kind, RecordingOperator::Event::Status);
        EXPECT_EQ(event.refresh, StatusRefresh::RepaintAndProcessEvents);
    }
    EXPECT_EQ(op.statuses(),
              (QStringList{kPriceStatus, QStringLiteral("Ieraksti: 4; Paka: 1 no 1")}));
}

TEST_F(SpecialPriceUpload, WithoutStruckThroughPricesTheTableIsEmptiedAndNothingInserted) {
    // Only SVITROTA_CENA is read from rows that are not on promotion.
    const QString path = writeProducts(
        {{17, "Piens", std::monostate{}, "abc"}, {"x", "Maize", std::monostate{}, 1.2}});
    shop.startStatementLog();
    RecordingOperator op(shop.inputs(path));
    EXPECT_EQ(upload(op), kCheckOk);
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_special"), "0");
    EXPECT_EQ(shop.shopStatements(),
              (std::vector<std::string>{kMaintenanceOn, kDelete, kMax, kMaintenanceOff}));
    EXPECT_EQ(op.statuses(), QStringList{kPriceStatus});
}

TEST_F(SpecialPriceUpload, RowsGoInChunksOf2500EachAnnouncedBeforeItIsWritten) {
    const struct {
        int rows;
        std::vector<size_t> chunkRows;
    } cases[] = {{5000, {2500, 2500}}, {2501, {2500, 1}}, {2500, {2500}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        std::vector<std::vector<CellValue>> rows;
        for (int i = 1; i <= c.rows; ++i) rows.push_back({i, "Prece", 10, 7.5});
        const QString path = writeProducts(rows);
        shop.startStatementLog();
        RecordingOperator op(shop.inputs(path));
        EXPECT_EQ(upload(op), kCheckOk);

        const QString total = QStringLiteral("Ieraksti: %1; Paka: ").arg(c.rows);
        QStringList statuses{kPriceStatus};
        for (size_t k = 1; k <= c.chunkRows.size(); ++k)
            statuses << total + QStringLiteral("%1 no %2").arg(k).arg(c.chunkRows.size());
        EXPECT_EQ(op.statuses(), statuses);

        std::vector<size_t> inserted;
        for (const std::string& statement : shop.shopStatements()) {
            if (statement.rfind(kInsertHead, 0) == 0) inserted.push_back(TupleCount(statement));
        }
        EXPECT_EQ(inserted, c.chunkRows);
        // Identifiers 2 .. rows + 1 in workbook order.
        EXPECT_EQ(shop.rows("SELECT COUNT(*), MIN(product_special_id), MAX(product_special_id), "
                            "SUM(product_special_id = product_id + 1) FROM product_special"),
                  (Rows{{std::to_string(c.rows), "2", std::to_string(c.rows + 1),
                         std::to_string(c.rows)}}));
    }
}

TEST_F(SpecialPriceUpload, SpecialsRunFromYesterdayToTheLastDayOf2050) {
    const QString path = writeProducts({{17, "Piens", 2.5, 1.99}});
    const struct {
        QDate today;
        std::string start;
    } cases[] = {{QDate(2026, 3, 10), "2026-03-09"},
                 {QDate(2025, 1, 1), "2024-12-31"},
                 {QDate(2024, 3, 1), "2024-02-29"}};
    for (const auto& c : cases) {
        RecordingOperator op(shop.inputs(path));
        EXPECT_EQ(upload(op, c.today), kCheckOk);
        EXPECT_EQ(shop.rows("SELECT date_start, date_end FROM product_special"),
                  (Rows{{c.start, "2050-12-31"}}));
    }
}

TEST_F(SpecialPriceUpload, ABadWorkbookLeavesTheOldSpecialsAndTheShopOutOfMaintenance) {
    const struct {
        std::vector<CellValue> header;
        std::vector<std::vector<CellValue>> rows;
        QStringList mustName;
    } cases[] = {
        {{"NOSAUKUMS", "SVITROTA_CENA", "CENA_AR_PVN"}, {{"A", 2, 1}}, {"ID", "Preces_web.xlsx"}},
        {{"ID", "CENA", "CENA_AR_PVN"}, {{1, 2, 1}}, {"SVITROTA_CENA"}},
        {{"ID", "SVITROTA_CENA", "CENA"}, {{1, 2, 1}}, {"CENA_AR_PVN"}},
        {{"ID", "SVITROTA_CENA", "CENA_AR_PVN"},
         {{1, 2, 1}, {2, 3, "abc"}, {3, 4, 2}},
         {"C3", "CENA_AR_PVN", "abc"}},
        {{"ID", "SVITROTA_CENA", "CENA_AR_PVN"}, {{1, 2, 1}, {"x", 3, 2}}, {"A3", "ID", "x"}},
    };
    for (const auto& c : cases) {
        RecordingOperator op(shop.inputs(writeProducts(c.rows, c.header)));
        shop.expectRefusedBeforeWriting([&] { upload(op); }, c.mustName);
        EXPECT_TRUE(oldSpecialKept());
    }

    RecordingOperator missing(shop.inputs(dir.filePath(QStringLiteral("nowhere/Preces_web.xlsx"))));
    EXPECT_THROW(upload(missing), Error);
    EXPECT_TRUE(oldSpecialKept());
    EXPECT_TRUE(shop.shopStatements().empty());
}

TEST_F(SpecialPriceUpload, AFailedConnectionTestStopsBeforeTheWorkbookAndTheShop) {
    RecordingOperator first(shop.inputs(writeProducts({{17, "Piens", 2.5, 1.99}})));
    EXPECT_EQ(upload(first), kCheckOk);
    // The test runs even on an open connection, and before the (now missing) workbook is read.
    connection.open();
    QFile::remove(dir.filePath(kProductsWorkbook));
    Inputs wrong = shop.inputs(dir.filePath(kProductsWorkbook));
    wrong.password = QStringLiteral("wrong");
    RecordingOperator refused(wrong);
    shop.startStatementLog();
    EXPECT_EQ(upload(refused), kNoConnection);
    ASSERT_EQ(refused.messages().size(), 1);
    EXPECT_TRUE(refused.messages().front().startsWith(kConnectionFailedMessage));
    EXPECT_TRUE(refused.statuses().isEmpty());
    EXPECT_TRUE(shop.shopStatements().empty());
    EXPECT_EQ(shop.rows("SELECT product_special_id, product_id FROM product_special"),
              (Rows{{"2", "17"}}));
}

TEST_F(SpecialPriceUpload, ADatabaseErrorOnceInMaintenanceEndsTheRunWithTheShopInMaintenance) {
    // The shop refuses the second row's price.
    shop.exec("ALTER TABLE product_special ADD CONSTRAINT cheap CHECK (price < 100)");
    RecordingOperator op(shop.inputs(writeProducts({{1, "A", 5, 3}, {2, "B", 900, 500}})));
    shop.startStatementLog();
    try {
        upload(op);
        FAIL() << "the refused row went unnoticed";
    } catch (const Error& e) {
        EXPECT_EQ(e.category(), Error::Category::Database);
    }
    EXPECT_EQ(shop.maintenance(), "1");
    EXPECT_EQ(shop.value("SELECT COUNT(*) FROM product_special WHERE product_special_id=50"), "0");
    const std::vector<std::string> statements = shop.shopStatements();
    ASSERT_FALSE(statements.empty());
    EXPECT_EQ(statements.back().rfind(kInsertHead, 0), 0u);
}

}  // namespace
}  // namespace wwweksports
