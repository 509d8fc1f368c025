// What an upload changes in the shop, table group by table group: how many rows it adds,
// removes, changes (a column it writes gets another value) and leaves as they are, with the
// first few of each kind as examples. The check predicts one; each upload reports one for what
// it did. Shown as a table, as one process-log line, or as one JSON object.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace wwweksports {

struct ChangeExample {
    enum class Kind { Added, Removed, Changed, NotInShop };
    Kind kind = Kind::Changed;
    QString id;      // the row's ID; "prece 5, grupa 7" for a link, a keyword's query text
    QString name;    // the product's or group's name, where known
    QString column;  // of a changed row, the first column that changes
    QString before;  // that column's value in the shop now
    QString after;   // and after the upload
};

struct ChangeSection {
    enum class Part {
        Groups,
        Products,
        Descriptions,
        CategoryLinks,
        Keywords,
        SpecialPrices,
        Stock
    };
    Part part = Part::Groups;
    int64_t added = 0;
    int64_t removed = 0;
    int64_t changed = 0;
    int64_t unchanged = 0;
    int64_t notInShop = 0;  // workbook rows the shop lacks and the upload passes over (stock)
    std::vector<ChangeExample> examples;

    // Counts a row of the example's kind, keeping the first kExamples of each kind.
    void add(ChangeExample example);
    // Whether an example of `kind` added now would be kept.
    bool keeps(ChangeExample::Kind kind) const;
    static constexpr int kExamples = 5;
};

struct ChangeReport {
    std::vector<ChangeSection> sections;  // in Part order, only the parts compared

    ChangeSection& section(ChangeSection::Part part);  // added when missing
    bool anyChange() const;
};

// A table of counts, one line per part, then the examples, one per line.
QString ChangeTable(const ChangeReport& report);
// A line per part with its counts, then a line per example that names its part.
QStringList ChangeLines(const ChangeReport& report);
// The parts that change on one line, added, removed and changed: "grupas +2 ~1, preces -3";
// "nekas" when nothing would.
QString ChangeLine(const ChangeReport& report);
// {"groups": {"added": 2, ..., "examples": [{"change": "changed", "id": ...}]}, ...}
QJsonObject ChangeJson(const ChangeReport& report);

}  // namespace wwweksports
