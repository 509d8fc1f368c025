// The product group tree of the groups workbook's GRUPAS worksheet: each group's parent by
// PARENT_ID. It answers a group's ancestors, which become the group's rows of
// category_path, and finds cycles before anything is written to the shop.
#pragma once

#include <QString>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace wwweksports {

class Sheet;

class GroupTree {
public:
    // Reads ID and PARENT_ID of every row; for an ID that appears twice the first row counts.
    // Workbook errors pass to the caller.
    static GroupTree Read(const Sheet& grupas);

    void addGroup(int32_t id, int32_t parentId);

    // The group's path from its top-level ancestor down to itself. The walk looks every group
    // up in the tree: a PARENT_ID not above 0 makes a group top-level, and a parent without
    // a row of its own still belongs to the path and ends it. Throws Error(Workbook) naming
    // the groups of a cycle.
    std::vector<int32_t> pathOf(int32_t id) const;

    void setSource(const QString& description) { source_ = description; }

private:
    std::unordered_map<int32_t, int32_t> parentOf_;
    QString source_;  // where the tree was read, for messages
};

}  // namespace wwweksports
