#include "catalogue/CatalogueUpload.h"

#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "catalogue/CatalogueLookups.h"
#include "catalogue/GroupTree.h"
#include "catalogue/SeoKeyword.h"
#include "catalogue/SeoRows.h"
#include "operator/Error.h"
#include "operator/Operator.h"
#include "shopdb/ArrayQuery.h"
#include "shopdb/BatchWriter.h"
#include "shopdb/Maintenance.h"
#include "shopdb/Query.h"
#include "shopdb/ShopChecks.h"
#include "shopdb/ShopDate.h"
#include "shopdb/StatementBatch.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

// The runs of whitespace the statements are written with.
const QString W7 = QStringLiteral(" \t\t\t\t\t\t\t  ");
const QString W8 = QStringLiteral(" \t\t\t\t\t\t\t\t  ");
const QString T8 = QStringLiteral(" \t\t\t\t\t\t\t\t");
const QString T9 = QStringLiteral(" \t\t\t\t\t\t\t\t\t");
const QString S31 = QString(31, QLatin1Char(' '));

const QString kGroupsSheet = QStringLiteral("GRUPAS");

struct GroupRow {
    int32_t id = 0;
    QString idText;
    int32_t parentId = 0;
    std::optional<int32_t> sortOrder;  // empty when KARTOSANAS cannot be read
    QString name;
    std::vector<int32_t> path;  // top-level ancestor .. the group itself
};

struct ProductRow {
    int32_t id = 0;
    QString idText;
    QString article;
    double price = 0;
    double quantity = 0;
    QString dateAdded;
    int64_t quantityDecimal = 0;
    double minimum = 0;
    int32_t parentId = 0;
    QString name;
    QString description;
    QString metaDescription;
    QString metaKeyword;
};

std::vector<GroupRow> ReadGroups(RowSet& rows, const GroupTree& tree) {
    std::vector<GroupRow> groups;
    groups.reserve(static_cast<size_t>(rows.rowCount()));
    for (rows.first(); !rows.eof(); rows.next()) {
        GroupRow g;
        g.id = rows.asInteger(QStringLiteral("ID"));
        g.parentId = rows.asInteger(QStringLiteral("PARENT_ID"));
        try {
            g.sortOrder = rows.asInteger(QStringLiteral("KARTOSANAS"));
        } catch (const Error&) {
            // A sort order that cannot be read falls back to the count of top-level groups.
        }
        g.name = rows.asText(QStringLiteral("NOSAUKUMS"));
        g.idText = rows.asText(QStringLiteral("ID"));
        g.path = tree.pathOf(g.id);
        groups.push_back(std::move(g));
    }
    return groups;
}

std::vector<ProductRow> ReadProducts(RowSet& rows) {
    // Products that are not marked new are dated 01.01.1900.
    const QString notNew = FormatShopDate(ParseDayMonthYear(QStringLiteral("01.01.1900")));
    std::vector<ProductRow> products;
    products.reserve(static_cast<size_t>(rows.rowCount()));
    for (rows.first(); !rows.eof(); rows.next()) {
        ProductRow p;
        p.id = rows.asInteger(QStringLiteral("ID"));
        p.price = rows.asText(QStringLiteral("SVITROTA_CENA")).isEmpty()
                      ? rows.asFloat(QStringLiteral("CENA_AR_PVN"))
                      : rows.asFloat(QStringLiteral("SVITROTA_CENA"));
        p.article = rows.asText(QStringLiteral("ARTIKULS"));
        p.quantity = rows.asFloat(QStringLiteral("ATLIKUMS"));
        p.dateAdded =
            rows.asText(QStringLiteral("PAZIME_JAUNA_PRECE")) == QLatin1String("T")
                ? FormatShopDate(rows.asDateTime(QStringLiteral("PRECES_DATUMS_NO")).date())
                : notNew;
        p.quantityDecimal = rows.asInteger(QStringLiteral("SVERAMA_GABALA")) == 1 ? 1 : 0;
        p.minimum = rows.asFloat(QStringLiteral("MIN_PAS_DAUDZ"));
        p.parentId = rows.asInteger(QStringLiteral("PARENT_ID"));
        p.name = rows.asText(QStringLiteral("NOSAUKUMS"));
        p.idText = rows.asText(QStringLiteral("ID"));
        p.description = rows.asText(QStringLiteral("PRECES_APRAKSTS"));
        p.metaDescription = rows.asText(QStringLiteral("META_APR"));
        p.metaKeyword = rows.asText(QStringLiteral("META_ATSLEGVARDI"));
        products.push_back(std::move(p));
    }
    return products;
}

// The queries of one catalogue upload, created after the old catalogue is deleted.
struct RunQueries {
    explicit RunQueries(ShopConnection& c)
        : seo(c),
          fdProduct(c, kProductStatement),
          fdProductDescription(c, kProductDescriptionStatement),
          fdProductCategoryCheck(c, kProductCategoryCheckStatement),
          fdProductCategory(c, kProductCategoryStatement),
          fdProductToStore(c, kProductToStoreStatement),
          fdCategory(c, kCategoryStatement),
          fdCategoryToStore(c, kCategoryToStoreStatement),
          fdCategoryDescription(c, kCategoryDescriptionStatement),
          fdCategoryPath(c, kCategoryPathStatement) {}

    SeoQueues seo;
    ArrayQuery fdProduct;
    ArrayQuery fdProductDescription;
    Query fdProductCategoryCheck;
    Query fdProductCategory;
    ArrayQuery fdProductToStore;
    ArrayQuery fdCategory;
    ArrayQuery fdCategoryToStore;
    ArrayQuery fdCategoryDescription;
    ArrayQuery fdCategoryPath;
};

// Runs one of the two category executions whose failure is shown and does not end the run.
bool ExecuteShown(ArrayQuery& query, int rows, const QString& message, Operator& op) {
    try {
        query.execute(rows);
        return true;
    } catch (const Error& e) {
        op.showMessage(message + QStringLiteral("\n ") + e.message());
        return false;
    }
}

// Groups: one category, store link and set of path rows each, a description per language,
// and a queued seo_url row. Returns false when an execution showed its error.
bool UploadCategories(ShopConnection& connection, RunQueries& q,
                      const std::vector<GroupRow>& groups, const std::vector<int64_t>& languages,
                      bool oneAtATime, Operator& op) {
    const int n = static_cast<int>(groups.size());
    int pathRows = 0;
    for (const GroupRow& g : groups) pathRows += static_cast<int>(g.path.size());
    q.fdCategory.setArraySize(n);
    q.fdCategoryPath.setArraySize(pathRows);
    q.fdCategoryToStore.setArraySize(n);
    q.fdCategoryDescription.setArraySize(n * static_cast<int>(languages.size()));
    q.seo.fdSeoInsert.setArraySize(n);
    q.seo.fdSeoUpdate.setArraySize(n);

    op.setStatus(QStringLiteral("Sūtu preču grupas"), StatusRefresh::RepaintAndProcessEvents);
    std::vector<int64_t> seoRows;  // the seo_url_id each group's query text finds, 0 for none
    seoRows.reserve(groups.size());
    CatalogueLookups lookups(connection, q.seo.fdSeoCheck, q.fdProductCategoryCheck, oneAtATime);
    for (size_t i = 0; i < groups.size(); ++i) {
        lookups.addSeo(QStringLiteral("category_id=") + groups[i].idText);
        if (lookups.full() || i + 1 == groups.size()) {
            for (int64_t found : lookups.run().seo) seoRows.push_back(found);
        }
    }
    int topLevel = 0;
    int path = 0;
    int description = 0;
    for (int i = 0; i < n; ++i) {
        const GroupRow& g = groups[static_cast<size_t>(i)];
        q.fdCategory.setValue(QStringLiteral("id"), i, int64_t{g.id});
        if (g.parentId > 0) {
            q.fdCategory.setValue(QStringLiteral("parent_id"), i, int64_t{g.parentId});
            q.fdCategory.setValue(QStringLiteral("top"), i, int64_t{0});
        } else {
            q.fdCategory.setValue(QStringLiteral("parent_id"), i, int64_t{0});
            q.fdCategory.setValue(QStringLiteral("top"), i, int64_t{1});
            ++topLevel;
        }
        q.fdCategory.setValue(QStringLiteral("sort_order"), i,
                              int64_t{g.sortOrder.value_or(topLevel)});

        for (size_t level = 0; level < g.path.size(); ++level, ++path) {
            q.fdCategoryPath.setValue(QStringLiteral("id"), path, int64_t{g.id});
            q.fdCategoryPath.setValue(QStringLiteral("path_id"), path, int64_t{g.path[level]});
            q.fdCategoryPath.setValue(QStringLiteral("level"), path, static_cast<int64_t>(level));
        }
        q.fdCategoryToStore.setValue(QStringLiteral("id"), i, int64_t{g.id});
        for (int64_t language : languages) {
            q.fdCategoryDescription.setValue(QStringLiteral("id"), description, int64_t{g.id});
            q.fdCategoryDescription.setValue(QStringLiteral("LANGV_ID"), description, language);
            q.fdCategoryDescription.setValue(QStringLiteral("name"), description,
                                             TextValue(g.name));
            ++description;
        }
        AddSeoRow(q.seo, QStringLiteral("category_id=") + g.idText, MakeSeoKeyword(g.name),
                  seoRows[static_cast<size_t>(i)]);
    }

    bool shownNoError = true;
    if (n >= 1) {
        shownNoError =
            ExecuteShown(q.fdCategory, n, QStringLiteral("Kļūda ievietojot tabulā category"), op);
        q.fdCategoryPath.execute(path);
        q.fdCategoryToStore.execute(n);
    }
    if (description >= 1) {
        shownNoError &=
            ExecuteShown(q.fdCategoryDescription, description,
                         QStringLiteral("Kļūda ievietojot tabulā category_description"), op);
    }
    return shownNoError;
}

void UploadProducts(ShopConnection& connection, RunQueries& q,
                    const std::vector<ProductRow>& products, const std::vector<int64_t>& languages,
                    bool oneAtATime, Operator& op) {
    const int n = static_cast<int>(products.size());
    q.fdProduct.setArraySize(n);
    q.fdProductToStore.setArraySize(n);
    q.fdProductDescription.setArraySize(n * static_cast<int>(languages.size()));
    q.seo.fdSeoInsert.setArraySize(n + q.seo.insertCount);
    q.seo.fdSeoUpdate.setArraySize(n + q.seo.updateCount);

    // Each stretch of rows first sends its link and seo_url lookups together, then the links
    // that are missing, in row order; a link written for an earlier row of the run is found
    // by the later rows, as the shop would answer them one by one.
    std::set<std::pair<int32_t, int32_t>> linked;
    CatalogueLookups lookups(connection, q.seo.fdSeoCheck, q.fdProductCategoryCheck, oneAtATime);
    int description = 0;
    // "Sūtu preces i/N" stands before row i's lookups. A stretch shows its first row's text
    // before its lookups go out and the others once its links are in; when a link fails, those
    // up to its row, so the texts shown are the ones a row at a time would have shown.
    const auto showProductRow = [&](int i) {
        op.setStatus(QStringLiteral("Sūtu preces %1/%2").arg(i).arg(n),
                     StatusRefresh::RepaintAndProcessEvents);
    };
    const auto isStatusRow = [n](int i) { return i % 10 == 0 || i == n - 1; };
    for (int start = 0; start < n;) {
        if (isStatusRow(start)) showProductRow(start);
        int end = start;
        for (; end < n && !lookups.full(); ++end) {
            const ProductRow& p = products[static_cast<size_t>(end)];
            lookups.addLink(p.id, p.parentId);
            lookups.addSeo(QStringLiteral("product_id=") + p.idText);
        }
        const CatalogueLookups::Answers answers = lookups.run();

        StatementBatch links(connection);
        std::vector<int> linkRows;  // the row of each link statement in `links`
        for (int i = start; i < end; ++i) {
            const ProductRow& p = products[static_cast<size_t>(i)];
            const std::pair<int32_t, int32_t> link{p.id, p.parentId};
            // A link read back with product_id 0 counts as missing, as does product 0's link.
            if (answers.links[static_cast<size_t>(i - start)] != 0 || linked.count(link) != 0)
                continue;
            q.fdProductCategory.setParam(QStringLiteral("id"), int64_t{p.id});
            q.fdProductCategory.setParam(QStringLiteral("GrupasID"), int64_t{p.parentId});
            if (oneAtATime) {
                q.fdProductCategory.exec();
            } else {
                links.add(q.fdProductCategory);
                linkRows.push_back(i);
            }
            if (p.id != 0) linked.insert(link);
        }
        try {
            links.execute();
        } catch (const Error&) {
            if (links.completed() < linkRows.size()) {
                for (int i = start + 1; i <= linkRows[links.completed()]; ++i)
                    if (isStatusRow(i)) showProductRow(i);
            }
            throw;
        }

        for (int i = start; i < end; ++i) {
            const ProductRow& p = products[static_cast<size_t>(i)];
            if (i > start && isStatusRow(i)) showProductRow(i);
            const int64_t id = p.id;
            q.fdProduct.setValue(QStringLiteral("id"), i, id);
            q.fdProduct.setValue(QStringLiteral("cena1"), i, p.price);
            q.fdProduct.setValue(QStringLiteral("artikuls"), i, TextValue(p.article));
            q.fdProduct.setValue(QStringLiteral("quantity"), i, p.quantity);
            q.fdProduct.setValue(QStringLiteral("date_added"), i, TextValue(p.dateAdded));
            q.fdProduct.setValue(QStringLiteral("quantity_decimal"), i, p.quantityDecimal);
            q.fdProduct.setValue(QStringLiteral("minimum"), i, p.minimum);
            q.fdProductToStore.setValue(QStringLiteral("id"), i, id);

            AddSeoRow(q.seo, QStringLiteral("product_id=") + p.idText, MakeSeoKeyword(p.name),
                      answers.seo[static_cast<size_t>(i - start)]);

            const std::string tag = (p.article + QLatin1Char('|')).toStdString();
            const std::string name = p.name.toStdString();
            for (int64_t language : languages) {
                q.fdProductDescription.setValue(QStringLiteral("id"), description, id);
                q.fdProductDescription.setValue(QStringLiteral("LANGV_ID"), description, language);
                q.fdProductDescription.setValue(QStringLiteral("GNOS"), description, name);
                q.fdProductDescription.setValue(QStringLiteral("apraksts"), description,
                                                TextValue(p.description));
                q.fdProductDescription.setValue(QStringLiteral("GNOS2"), description, name);
                q.fdProductDescription.setValue(QStringLiteral("TAG"), description, tag);
                q.fdProductDescription.setValue(QStringLiteral("meta_description"), description,
                                                TextValue(p.metaDescription));
                q.fdProductDescription.setValue(QStringLiteral("meta_keyword"), description,
                                                TextValue(p.metaKeyword));
                ++description;
            }
        }
        start = end;
    }

    op.setStatus(QStringLiteral("Ievietoju preču datus tabulās..."),
                 StatusRefresh::RepaintAndProcessEvents);
    if (n >= 1) {
        ExecuteInBatches({&q.fdProduct, &q.fdProductToStore}, n,
                         QStringLiteral("Ievietoju Product tabulā: "), op);
    }
    if (description >= 1) {
        ExecuteInBatches({&q.fdProductDescription}, description,
                         QStringLiteral("Ievietoju ProductDescription tabulā: "), op);
    }
    op.setStatus(QStringLiteral("Ievietoju SEO..."), StatusRefresh::RepaintAndProcessEvents);
    if (q.seo.insertCount >= 1) {
        ExecuteInBatches({&q.seo.fdSeoInsert}, q.seo.insertCount,
                         QStringLiteral("Ievietoju SEO tabulā: "), op);
    }
    if (q.seo.updateCount >= 1) {
        ExecuteInBatches({&q.seo.fdSeoUpdate}, q.seo.updateCount,
                         QStringLiteral("Apdeitoju SEO tabulā: "), op);
    }
}

}  // namespace

const QString kCategoryStatement =
    QStringLiteral("INSERT INTO category") + W8 +
    QStringLiteral("(category_id, parent_id, top, status, sort_order) VALUES") + W8 +
    QStringLiteral("(:id, :parent_id, :top, 1, :sort_order)");
const QString kCategoryToStoreStatement = QStringLiteral("INSERT INTO category_to_store") + W8 +
                                          QStringLiteral("(category_id, store_id) VALUES") + W8 +
                                          QStringLiteral("(:id, 0)");
const QString kCategoryDescriptionStatement =
    QStringLiteral("INSERT INTO category_description") + W8 +
    QStringLiteral("(category_id, language_id, name) VALUES") + W8 +
    QStringLiteral("(:id, :LANGV_ID, :name)");
const QString kCategoryPathStatement = QStringLiteral("INSERT INTO category_path") + W7 +
                                       QStringLiteral("(category_id, path_id, level) VALUES") + W7 +
                                       QStringLiteral("(:id, :path_id, :level)");
const QString kProductStatement =
    QStringLiteral("INSERT INTO product") + W7 +
    QStringLiteral(
        "(product_id, status, price, model, quantity, stock_status_id, date_added, "
        "quantity_decimal, "
        "minimum) VALUES") +
    W7 +
    QStringLiteral(
        "(:id, 1, :cena1, :artikuls, :quantity, 6, :date_added, :quantity_decimal, :minimum)");
const QString kProductToStoreStatement = QStringLiteral("INSERT INTO product_to_store") + S31 +
                                         QStringLiteral("(product_id, store_id) VALUES") + W7 +
                                         QStringLiteral("(:id, 0)");
const QString kProductDescriptionStatement =
    QStringLiteral("INSERT INTO product_description") + W8 +
    QStringLiteral(
        "(product_id, language_id, name, description, meta_title, tag, meta_description, "
        "meta_keyword) "
        "VALUES") +
    W8 +
    QStringLiteral(
        "(:id, :LANGV_ID, :GNOS, :apraksts, :GNOS2, :TAG, :meta_description, :meta_keyword)");
const QString kProductCategoryCheckStatement =
    QStringLiteral("SELECT product_id") + T8 + QStringLiteral("FROM product_to_category") + T8 +
    QStringLiteral("WHERE product_id=:id") + T9 + QStringLiteral("AND category_id=:GrupasID");
const QString kProductCategoryStatement = QStringLiteral("INSERT INTO product_to_category") + W7 +
                                          QStringLiteral("(product_id, category_id) VALUES") + W7 +
                                          QStringLiteral("(:id, :GrupasID)");
const QString kLanguagesStatement = QStringLiteral("SELECT language_id from language");
const char* const kCatalogueDeletions[8] = {
    "DELETE FROM category",
    "DELETE FROM category_to_store",
    "DELETE FROM category_description",
    "DELETE FROM category_path",
    "DELETE FROM product",
    "DELETE FROM product_description",
    "DELETE FROM product_to_category",
    "DELETE FROM product_to_store",
};

UploadResult UploadCatalogue(ShopConnection& connection, CatalogueWorkbooks workbooks, Operator& op,
                             const CatalogueOptions& options) {
    if (TestShopConnection(connection, op) < 0) return UploadResult::ConnectionFailed;

    // Both workbooks are read and checked whole before the old catalogue is deleted: a
    // missing file, a bad cell or a cycle in the group tree leaves the shop as it was.
    const QString excelDir = op.inputs().workbookPath;
    ConnectWorkbook(workbooks.adcPrecuGrupas.connection, excelDir, kGroupsWorkbook);
    OpenWorkbook(workbooks.adcExcel, excelDir, kGroupsWorkbook);
    // The tree is only asked for the paths of the groups read: without group rows the groups
    // workbook needs no GRUPAS worksheet.
    GroupTree tree;
    if (workbooks.adcExcel.query.rowCount() > 0) {
        workbooks.adcPrecuGrupas.query =
            workbooks.adcPrecuGrupas.connection.openSheet(kGroupsSheet);
        tree = GroupTree::Read(workbooks.adcPrecuGrupas.query);
    }
    const std::vector<GroupRow> groups = ReadGroups(workbooks.adcExcel.query, tree);
    OpenWorkbook(workbooks.adcExcel, excelDir, kProductsWorkbook);
    const std::vector<ProductRow> products = ReadProducts(workbooks.adcExcel.query);
    CloseWorkbook(workbooks.adcExcel);
    CloseWorkbook(workbooks.adcPrecuGrupas);

    SetShopMaintenance(connection, 1);
    std::vector<int64_t> languages;
    {
        Query fdLanguages(connection, kLanguagesStatement);
        fdLanguages.open();
        for (; !fdLanguages.eof(); fdLanguages.next()) {
            languages.push_back(fdLanguages.fieldAsInteger(QStringLiteral("language_id")));
        }
    }
    Query fdDelete(connection);
    op.setStatus(QStringLiteral("Dzēšu vecos ierakstus"), StatusRefresh::Repaint);
    for (const char* deletion : kCatalogueDeletions) {
        fdDelete.setText(QString::fromLatin1(deletion));
        fdDelete.exec();
    }

    RunQueries queries(connection);
    queries.seo.fdSeoUpdate.setRowByRow(options.oneAtATime);
    const bool shownNoError =
        UploadCategories(connection, queries, groups, languages, options.oneAtATime, op);
    UploadProducts(connection, queries, products, languages, options.oneAtATime, op);
    SetShopMaintenance(connection, 0);
    return shownNoError ? UploadResult::Done : UploadResult::DoneWithErrors;
}

}  // namespace wwweksports
