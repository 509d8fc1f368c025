// Groups and products workbooks for the catalogue tests, written with the columns the
// catalogue upload reads.
#pragma once

#include <QDir>
#include <QString>
#include <string>
#include <vector>

#include "fixtures/WorkbookBuilder.h"

namespace wwweksports::testing {

struct GroupSpec {
    CellValue id;
    CellValue parent = 0;
    CellValue sort = 1;
    CellValue name = "Grupa";
};

struct ProductSpec {
    CellValue id;
    CellValue article = "A-1";
    CellValue name = "Prece";
    CellValue parent = 10;
    CellValue price = 1.5;
    CellValue struck;
    CellValue balance = 0;
    CellValue isNew = "";
    CellValue date;
    CellValue weighed = 0;
    CellValue minimum = 1;
    CellValue description = "";
    CellValue meta = "";
    CellValue keywords = "";
};

inline void WriteGroups(const QDir& dir, const std::vector<GroupSpec>& groups,
                        const std::string& sheet = "GRUPAS") {
    WorkbookBuilder builder;
    builder.sheet(sheet).row({"ID", "PARENT_ID", "KARTOSANAS", "NOSAUKUMS"});
    for (const GroupSpec& g : groups) builder.row({g.id, g.parent, g.sort, g.name});
    builder.save(dir.filePath(QStringLiteral("Grupas_web.xlsx")).toStdString());
}

inline void WriteProducts(const QDir& dir, const std::vector<ProductSpec>& products) {
    WorkbookBuilder builder;
    builder.sheet("Preces").row({"ID", "ARTIKULS", "NOSAUKUMS", "PARENT_ID", "CENA_AR_PVN",
                                 "SVITROTA_CENA", "ATLIKUMS", "PAZIME_JAUNA_PRECE",
                                 "PRECES_DATUMS_NO", "SVERAMA_GABALA", "MIN_PAS_DAUDZ",
                                 "PRECES_APRAKSTS", "META_APR", "META_ATSLEGVARDI"});
    for (const ProductSpec& p : products) {
        builder.row({p.id, p.article, p.name, p.parent, p.price, p.struck, p.balance, p.isNew,
                     p.date, p.weighed, p.minimum, p.description, p.meta, p.keywords});
    }
    builder.save(dir.filePath(QStringLiteral("Preces_web.xlsx")).toStdString());
}

// n products with ids 1..n in group 10.
inline std::vector<ProductSpec> ManyProducts(int n) {
    std::vector<ProductSpec> products(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        products[static_cast<size_t>(i)].id = i + 1;
        products[static_cast<size_t>(i)].name = "Prece " + std::to_string(i + 1);
    }
    return products;
}

}  // namespace wwweksports::testing
