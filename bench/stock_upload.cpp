// "Sūtīt atlikumus" for a generated catalogue against the private server: a shop with
// PRODUCTS products and a Preces_web.xlsx with their balances; prints wall time, rows per
// second, statements and round trips.
//   bench_stock_upload DIR [PRODUCTS]   (WWWEKSPORTS_TEST_DB_PORT names the server)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/SampleCatalogue.h"
#include "fixtures/TestShop.h"
#include "operator/Error.h"
#include "shopdb/ShopConnection.h"
#include "stock/StockBalances.h"
#include "workbook/Workbook.h"

using namespace wwweksports;

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [PRODUCTS]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const int products = argc > 2 ? std::atoi(argv[2]) : 50000;
    try {
        testing::SampleCatalogue catalogue;
        catalogue.products = products;
        catalogue.groups = 2000;
        catalogue.levels = 4;
        testing::WriteSampleCatalogue(catalogue, dir);

        testing::TestShop shop;
        shop.exec(
            "INSERT INTO product (product_id, model, sku, upc, ean, jan, isbn, mpn, location, "
            "quantity, "
            "stock_status_id, manufacturer_id, tax_class_id, date_added, date_modified) "
            "SELECT seq, CONCAT('A', seq), '', '', '', '', '', '', '', 0, 6, 0, 0, NOW(), NOW() "
            "FROM seq_1_to_" +
            std::to_string(products));

        testing::RecordingOperator op(
            shop.inputs(QString::fromStdString(dir + "/Preces_web.xlsx")));
        ShopConnection connection;
        WorkbookSource source;
        bench::Stopwatch wall;
        const int result = UploadStockBalances(connection, source, op);
        const double seconds = wall.seconds();
        if (result != 1) {
            std::fprintf(stderr, "upload stopped: %s\n",
                         op.messages().join(' ').toStdString().c_str());
            return 1;
        }
        const std::string wrong =
            shop.value("SELECT COUNT(*) FROM product WHERE quantity <> (product_id * 37) % 250");
        const ShopConnection::Counters c = connection.counters();
        std::printf(
            "stock upload: %d rows in %.2f s, %.0f rows/s, %llu statements, %llu round trips, "
            "%s rows with a wrong quantity, peak memory %.1f MiB\n",
            products, seconds, products / seconds, static_cast<unsigned long long>(c.statements),
            static_cast<unsigned long long>(c.roundTrips), wrong.c_str(), bench::PeakMemoryMiB());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
