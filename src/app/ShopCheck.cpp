#include "app/ShopCheck.h"

#include "app/ShopChanges.h"
#include "app/UploadFrame.h"
#include "operator/Operator.h"
#include "shopdb/ShopConnection.h"
#include "workbook/Workbook.h"

namespace wwweksports {

Outcome CheckBeforeSending(ShopConnection& connection, Operator& op, bool offline) {
    if (offline) {
        if (op.inputs().workbookPath.isEmpty()) {
            op.showMessage(QStringLiteral("Nav ievadīts Excel katalogs !!!"));
            return Outcome::InputMissing;
        }
    } else if (CheckInputs(op) != Outcome::Done) {
        return Outcome::InputMissing;
    }
    uint64_t maxPacket = 0;
    if (!offline && TestShopConnection(connection, op, &maxPacket) != Outcome::Done)
        return Outcome::ConnectionFailed;

    const Inputs in = op.inputs();
    op.setStatus(QStringLiteral("Pārbaudu darbgrāmatas ..."),
                 StatusRefresh::RepaintAndProcessEvents);
    Catalogue catalogue;
    std::vector<SpecialPrice> specials;
    std::vector<StockBalance> balances;
    {
        // The products workbook, read once for all three; let go before the shop is read.
        const KeepReadWorkbooks keep;
        if (in.products) catalogue = ReadCatalogue(in.workbookPath, maxPacket);
        if (in.specials) specials = ReadSpecialPrices(in.workbookPath);
        balances = ReadStockBalances(in.workbookPath);
    }
    QString read = QStringLiteral("Darbgrāmatas var sūtīt:");
    if (in.products)
        read += QStringLiteral(" grupas %1, preces %2;")
                    .arg(catalogue.groups.size())
                    .arg(catalogue.products.size());
    if (in.specials) read += QStringLiteral(" akciju cenas %1;").arg(specials.size());
    read += QStringLiteral(" atlikumi %1").arg(balances.size());
    op.addProcessLine(read);
    if (offline) {
        op.setStatus(QStringLiteral("Pārbaude beigusies"), StatusRefresh::Repaint);
        return Outcome::Done;
    }

    op.setStatus(QStringLiteral("Salīdzinu ar veikalu ..."),
                 StatusRefresh::RepaintAndProcessEvents);
    CatalogueValues values(catalogue);
    const ShopHoldings shop = ReadShopHoldings(connection, in.products, in.specials, true,
                                               [&values] { return values.makeSome(); });
    connection.close();
    ChangeReport report;
    if (in.products) CompareCatalogue(catalogue, shop, values, report);
    if (in.specials) CompareSpecials(specials, shop, catalogue.products, report);
    CompareStock(balances, shop.quantities, catalogue.products, report);
    op.setStatus(QStringLiteral("Pārbaude beigusies; mainītos: %1").arg(ChangeLine(report)),
                 StatusRefresh::Repaint);
    op.reportChanges(report, Operator::Changes::Foreseen);
    return Outcome::Done;
}

}  // namespace wwweksports
