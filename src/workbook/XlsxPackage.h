// The opened .xlsx file behind a Workbook: its zip package, the worksheets in
// workbook order, the shared strings, which cell styles show dates and the date system. A
// worksheet is loaded whole into a SheetTable: its header row and the data rows below it,
// only the columns that have a header.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orcus {
class zip_archive;
class zip_archive_stream_blob;
}  // namespace orcus

namespace wwweksports {

// A formula saved without the value it last computed (a writer that does not calculate)
// is kept as such: the value a reader expects cannot be known.
enum class CellKind : uint8_t { Empty, Number, Boolean, Text, ErrorValue, Formula };

// One cell: numbers and booleans in `number`; texts, error values and the formula text of a
// formula without its value as an index into SheetTable's texts. Sixteen bytes, so that a
// large sheet stays small.
struct StoredCell {
    double number = 0;
    uint32_t text = 0;
    CellKind kind = CellKind::Empty;
    bool dateFormat = false;
};
static_assert(sizeof(StoredCell) == 16);

// Texts stored end to end: a million short texts cost two allocations, not a million.
class TextPool {
public:
    uint32_t add(QStringView text);  // the new text's index
    // UTF-8 text decoded straight into the pool, as QString::fromUtf8 and
    // xlsx::DecodeEscapes would give it.
    uint32_t addUtf8(std::string_view utf8);
    // Room for the texts of an XML part of `bytes` bytes: its UTF-8 has at least one byte per
    // UTF-16 unit, so the pool is filled without moving (each move touches the pages afresh).
    void reserveFor(uint64_t bytes);
    QStringView at(uint32_t index) const {
        const size_t begin = index == 0 ? 0 : ends_[index - 1];
        return QStringView(chars_.data() + begin, static_cast<qsizetype>(ends_[index] - begin));
    }
    uint32_t size() const { return static_cast<uint32_t>(ends_.size()); }

private:
    std::vector<char16_t> chars_;
    std::vector<size_t> ends_;
};

struct SheetTable {
    QStringList headers;               // per stored column, as written in the header row
    std::vector<int> sheetColumns;     // per stored column, its worksheet column (0 is A)
    QHash<QString, int> columnByName;  // case-folded header -> stored column; first one wins
    std::vector<int> sheetRows;        // per data row, its worksheet row number
    std::vector<StoredCell> cells;     // data rows x stored columns, row after row
    std::shared_ptr<const TextPool> sharedStrings;  // the workbook's, shared by its sheets
    TextPool ownTexts;                              // numbered after the shared strings
    bool date1904 = false;

    int rowCount() const { return static_cast<int>(sheetRows.size()); }
    const StoredCell& cell(int row, int column) const {
        return cells[static_cast<size_t>(row) * headers.size() + column];
    }
    QStringView text(uint32_t index) const {
        const uint32_t shared = sharedStrings->size();
        return index < shared ? sharedStrings->at(index) : ownTexts.at(index - shared);
    }
};

// The cell as text: texts as they are, numbers in fixed notation or as a date when their
// format is a date format, booleans as TRUE or FALSE, error values as their text, a formula
// without its value as its formula.
QString CellText(const StoredCell& cell, const SheetTable& table);

class XlsxPackage {
public:
    // Reads the package structure, shared strings and styles. Throws Error(Workbook) when the
    // file cannot be read, is no .xlsx package, has no worksheet or would unpack to more than
    // 1 GiB.
    static std::unique_ptr<XlsxPackage> open(const QString& filePath);
    ~XlsxPackage();

    const QStringList& sheetNames() const { return sheetNames_; }
    // Throws Error(Workbook) naming the file and sheet when the worksheet is damaged or would
    // unpack to more than 512 MiB.
    SheetTable loadSheet(int index) const;

private:
    struct Relationship {
        std::string type;
        std::string target;  // part name resolved against the package root
    };

    XlsxPackage(QString filePath, QByteArray content);
    void load();
    std::unordered_map<std::string, Relationship> readRelationships(const std::string& part) const;
    std::string entryName(const std::string& part) const;
    uint64_t unpackedSize(const std::string& part) const;
    std::vector<unsigned char> readPart(const std::string& part) const;
    template <typename Reader>
    void parsePart(const std::string& part, Reader& reader) const;

    QString filePath_;
    QByteArray content_;  // the whole file; the zip stream reads from it
    std::unique_ptr<orcus::zip_archive_stream_blob> stream_;
    std::unique_ptr<orcus::zip_archive> archive_;
    std::unordered_map<std::string, uint64_t> entrySizes_;  // unpacked, as the directory gives them
    std::unordered_map<std::string, std::string> entryByLowerName_;  // zip lookups ignore case
    mutable uint64_t unpacked_ = 0;  // what the parts read so far unpacked to
    QStringList sheetNames_;
    std::vector<std::string> sheetParts_;
    std::shared_ptr<TextPool> sharedStrings_;
    std::vector<bool> dateStyles_;  // per cellXfs index
    bool date1904_ = false;
};

}  // namespace wwweksports
