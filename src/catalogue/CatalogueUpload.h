// The catalogue upload behind "Preces un grupas": replaces the shop's product groups and
// products with those of Grupas_web.xlsx and Preces_web.xlsx. Both workbooks are read and
// checked whole first; then the shop goes into maintenance, the old catalogue is deleted,
// the groups are written with their store links, descriptions (one per shop language) and
// category paths, then the products with theirs, then the queued seo_url rows; the shop
// leaves maintenance at the end.
#pragma once

#include <QString>

namespace wwweksports {

class Operator;
class ShopConnection;
struct WorkbookSource;

enum class UploadResult {
    Done,
    ConnectionFailed,  // the connection test failed and showed its message; nothing was touched
    DoneWithErrors,    // done, but a category or description execution showed its error
};

struct CatalogueWorkbooks {
    WorkbookSource& adcExcel;        // the groups' pass, then the products
    WorkbookSource& adcPrecuGrupas;  // the GRUPAS worksheet for the category paths
};

struct CatalogueOptions {
    // Every lookup and link in a round trip of its own, as a comparison for the batched path.
    bool oneAtATime = false;
};

// Workbook and database errors other than those of the category and category description
// executions raise Error and end the upload where they happen.
UploadResult UploadCatalogue(ShopConnection& connection, CatalogueWorkbooks workbooks, Operator& op,
                             const CatalogueOptions& options = CatalogueOptions());

// The statement texts, exactly as the shop receives them (":name" are the parameters).
extern const QString kCategoryStatement;
extern const QString kCategoryToStoreStatement;
extern const QString kCategoryDescriptionStatement;
extern const QString kCategoryPathStatement;
extern const QString kProductStatement;
extern const QString kProductToStoreStatement;
extern const QString kProductDescriptionStatement;
extern const QString kProductCategoryCheckStatement;
extern const QString kProductCategoryStatement;
extern const QString kLanguagesStatement;
extern const char* const kCatalogueDeletions[8];

}  // namespace wwweksports
