#include "app/SendLists.h"

#include "catalogue/CatalogueUpload.h"
#include "operator/Operator.h"
#include "prices/PromotionalPrices.h"
#include "shopdb/ShopChecks.h"

namespace wwweksports {

RunResult SendLists(ShopConnection& connection, Workbooks& workbooks, Operator& op) {
    if (CheckInputs(op) < 0) return RunResult::InputMissing;
    op.addProcessLine(QStringLiteral("Sāk sarakstu sūtīšanu ..."));

    bool connectionFailed = false;
    bool shownError = false;
    if (op.inputs().products) {
        const UploadResult result =
            UploadCatalogue(connection, {workbooks.adcExcel, workbooks.adcPrecuGrupas}, op);
        connectionFailed |= result == UploadResult::ConnectionFailed;
        shownError |= result == UploadResult::DoneWithErrors;
    }
    // Read again: the box may have changed while the catalogue was sent.
    if (op.inputs().specials) {
        connectionFailed |= UploadSpecialPrices(connection, workbooks.adcExcel, op) < 0;
    }

    // A run that showed a failure does not end with the success text.
    if (connectionFailed) return RunResult::ConnectionFailed;
    if (shownError) return RunResult::Failed;
    op.setStatus(QStringLiteral("Saraksti aizsūtīti !!!"), StatusRefresh::None);
    op.addProcessLine(QStringLiteral("Saraksti aizsūtīti"));
    return RunResult::Done;
}

}  // namespace wwweksports
