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
class SheetRow;

// The row of every ID read from a sheet; an ID read again in another row throws
// Error(Workbook) naming the ID, both rows and the cell of the second: the shop keeps one row
// per ID, and a repeated one would stop the upload half-way.
class IdRows {
public:
    void add(const SheetRow& row, int32_t id);

private:
    std::unordered_map<int32_t, int> rowOf_;
};

class GroupTree {
public:
    // Reads ID and PARENT_ID of every row; an ID that appears twice is refused. Workbook
    // errors pass to the caller.
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
