// The catalogue behind "Preces un grupas": the product groups of Grupas_web.xlsx and the
// products of Preces_web.xlsx replace the shop's. ReadCatalogue reads and checks both
// workbooks whole, before the shop is touched; WriteCatalogue, with the shop in
// maintenance, deletes the old catalogue and writes the groups with their store links,
// descriptions (one per shop language) and category paths, then the products with theirs,
// then the seo_url rows of both.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "operator/Outcome.h"

namespace wwweksports {

class Operator;
class ShopConnection;

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
    QString dateAdded;  // as the shop's column takes it
    int64_t quantityDecimal = 0;
    double minimum = 0;
    int32_t parentId = 0;
    QString name;
    QString description;
    QString metaDescription;
    QString metaKeyword;
};

struct Catalogue {
    std::vector<GroupRow> groups;
    std::vector<ProductRow> products;
};

// Both workbooks in the directory of `workbookPath`: the groups' first worksheet, with the
// paths walked through its GRUPAS worksheet (needed only when there are groups), and the
// products' first worksheet. Throws Error(Workbook) for a missing file, sheet or column, a
// cell that cannot be read, an ID repeated in a sheet, a cycle among the groups, or (unless
// `maxPacket` is 0) a row too long for a server whose max_allowed_packet is `maxPacket`.
Catalogue ReadCatalogue(const QString& workbookPath, uint64_t maxPacket = 0);

// Returns ShownErrors when the category or category description rows were refused: the
// error was shown and the upload went on. Every other error raises Error and ends the
// upload where it happens. `waitForRoom`, when given, returns once what the caller holds
// beside the upload is let go; any thread may call it. The descriptions wait for it before
// they begin, and the products' links and lookups before theirs.
Outcome WriteCatalogue(ShopConnection& connection, const Catalogue& catalogue, Operator& op,
                       const std::function<void()>& waitForRoom = {});

}  // namespace wwweksports
