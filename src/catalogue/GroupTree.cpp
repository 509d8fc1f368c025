#include "catalogue/GroupTree.h"

#include <QStringList>
#include <algorithm>

#include "operator/Error.h"
#include "workbook/Workbook.h"

namespace wwweksports {

void IdRows::add(const SheetRow& row, int32_t id) {
    const auto [first, added] = rowOf_.emplace(id, row.number());
    if (!added)
        throw Error(Error::Category::Workbook,
                    QStringLiteral("ID %1 ir divreiz, rindās %2 un %3: %4")
                        .arg(id)
                        .arg(first->second)
                        .arg(row.number())
                        .arg(row.where(QStringLiteral("ID"))));
}

GroupTree GroupTree::Read(const Sheet& grupas) {
    GroupTree tree;
    tree.setSource(QStringLiteral("%1, sheet \"%2\"").arg(grupas.fileName(), grupas.name()));
    IdRows ids;
    for (const SheetRow row : grupas) {
        const int32_t id = row.asInteger(QStringLiteral("ID"));
        ids.add(row, id);
        tree.addGroup(id, row.asInteger(QStringLiteral("PARENT_ID")));
    }
    return tree;
}

void GroupTree::addGroup(int32_t id, int32_t parentId) { parentOf_.emplace(id, parentId); }

std::vector<int32_t> GroupTree::pathOf(int32_t id) const {
    std::vector<int32_t> path{id};
    for (int32_t current = id;;) {
        const auto found = parentOf_.find(current);
        if (found == parentOf_.end() || found->second <= 0) break;
        const int32_t parent = found->second;
        const auto seen = std::find(path.begin(), path.end(), parent);
        if (seen != path.end()) {
            QStringList cycle;
            for (auto it = seen; it != path.end(); ++it) cycle.prepend(QString::number(*it));
            cycle.prepend(QString::number(parent));
            throw Error(
                Error::Category::Workbook,
                QStringLiteral("Preču grupas veido apli (katra grupa ir nākamās PARENT_ID): %1; %2")
                    .arg(cycle.join(QStringLiteral(" > ")), source_));
        }
        path.push_back(parent);
        current = parent;
    }
    std::reverse(path.begin(), path.end());
    return path;
}

}  // namespace wwweksports
