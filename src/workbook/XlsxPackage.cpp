#include "workbook/XlsxPackage.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <orcus/sax_parser.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <stdexcept>
#include <utility>

#include "operator/Error.h"
#include "workbook/XlsxValues.h"

namespace wwweksports {

namespace {

// A fault in the package or in one of its parts; becomes an Error with the file's name.
class PackageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The parts would unpack to more than kMaxUnpacked.
class TooLargeError : public PackageError {
public:
    TooLargeError();
};

constexpr int kMaxColumns = 16384;  // XFD
constexpr int kMaxRows = 1048576;

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string_view TrimAscii(std::string_view text) {
    const size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

template <typename Number>
bool ParseWhole(std::string_view text, Number& value) {
    text = TrimAscii(text);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool ParseDouble(std::string_view text, double& value) {
    text = TrimAscii(text);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           std::isfinite(value);
}

QString DecodedText(const std::string& utf8) {
    return xlsx::DecodeEscapes(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

// What this tool unpacks of one workbook at most: all parts read together (the shared
// strings count too), and one worksheet's XML.
constexpr uint64_t kMaxUnpacked = uint64_t{1} << 30;
constexpr uint64_t kMaxSheetUnpacked = uint64_t{512} << 20;
// readPart appends a guard of six bytes to each part; this much room is asked for it.
constexpr uint32_t kGuardRoom = 8;

std::string MiB(uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

TooLargeError::TooLargeError() : PackageError("atpakots tas pārsniedz " + MiB(kMaxUnpacked)) {}

// liborcus 0.17 trusts the sizes in the zip directory: it allocates an entry's declared sizes
// before reading it and unpacks a deflated entry into exactly its declared size, cutting off
// what follows. A damaged directory must be caught here, before it asks for gigabytes. The
// directory is walked as orcus walks it: from the end record's offset while the records'
// signatures hold, whatever their count says; of two entries with one name orcus reads the
// first. Deflated entries are declared kGuardRoom bytes longer, so that orcus leaves room
// for readPart's guard (no copy of a large part) and anything unpacking past the declared
// size shows. Returns the unpacked size of each entry as declared.
std::unordered_map<std::string, uint64_t> ReadZipDirectory(QByteArray& zip) {
    constexpr uint64_t kMaxDeflateRatio = 1032;
    auto* bytes = reinterpret_cast<unsigned char*>(zip.data());
    const size_t size = static_cast<size_t>(zip.size());
    auto u16 = [bytes](size_t at) { return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8); };
    auto u32 = [&u16](size_t at) { return u16(at) | u16(at + 2) << 16; };
    if (size < 22) throw PackageError("tas nav zip arhīvs");
    // orcus takes the last end record signature within the last 22 + 65535 bytes.
    const size_t lowest = size > 22 + 0xFFFF ? size - 22 - 0xFFFF : 0;
    size_t end = size - 4;
    while (u32(end) != 0x06054b50) {
        if (end == lowest) throw PackageError("tas nav zip arhīvs");
        --end;
    }
    if (end > size - 22) throw PackageError("zip arhīva satura rādītājs ir bojāts");
    std::unordered_map<std::string, uint64_t> sizes;
    uint64_t total = 0;  // every part, read or not: a workbook past the bound is refused whole
    for (size_t pos = u32(end + 16); pos + 4 <= size && u32(pos) == 0x02014b50;) {
        if (pos + 46 > size || pos + 46 + u16(pos + 28) > size)
            throw PackageError("zip arhīva satura rādītājs ir bojāts");
        const size_t nameLength = u16(pos + 28);
        const uint32_t method = u16(pos + 10);
        const uint64_t packed = u32(pos + 20);
        const uint64_t unpacked = u32(pos + 24);
        if (packed > size || u32(pos + 42) >= size ||
            (method == 8 && unpacked > packed * kMaxDeflateRatio + 64))
            throw PackageError("zip arhīva satura rādītājs ir bojāts");
        total += method == 8 ? unpacked : packed;
        if (unpacked > kMaxUnpacked || packed > kMaxUnpacked || total > kMaxUnpacked)
            throw TooLargeError();
        // A stored entry is read as it is packed, whatever size it declares.
        sizes.emplace(std::string(reinterpret_cast<const char*>(bytes + pos + 46), nameLength),
                      method == 8 ? unpacked : packed);
        if (method == 8) {
            const uint32_t roomy = static_cast<uint32_t>(unpacked) + kGuardRoom;
            for (int i = 0; i < 4; ++i)
                bytes[pos + 24 + i] = static_cast<unsigned char>(roomy >> 8 * i);
        }
        pos += 46 + nameLength + u16(pos + 30) + u16(pos + 32);
    }
    return sizes;
}

// liborcus 0.17 decodes a numeric character reference with std::stoi, which throws for one
// without digits, and stops the process on a failed assertion for a code point past U+10FFFF.
// So every "&#" must begin a reference that names a character: decimal or "x" and hexadecimal
// digits up to U+10FFFF, then ";".
void CheckCharacterReferences(const std::vector<unsigned char>& xml, const std::string& part) {
    const unsigned char* const end = xml.data() + xml.size();
    for (const unsigned char* at = xml.data();
         (at = static_cast<const unsigned char*>(std::memchr(at, '&', end - at))); ++at) {
        if (end - at < 2 || at[1] != '#') continue;
        const bool hex = end - at > 2 && at[2] == 'x';
        const uint32_t base = hex ? 16 : 10;
        const unsigned char* digit = at + (hex ? 3 : 2);
        uint32_t code = 0;
        for (; digit < end && code <= 0x10FFFF; ++digit) {
            const char c = static_cast<char>(*digit);
            const uint32_t value = c >= '0' && c <= '9'   ? c - '0'
                                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                          : base;
            if (value >= base) break;
            code = code * base + value;
        }
        if (digit == at + (hex ? 3 : 2) || code > 0x10FFFF || digit == end || *digit != ';') {
            const size_t near = std::min<size_t>(static_cast<size_t>(end - at), 16);
            const auto* semicolon = static_cast<const unsigned char*>(std::memchr(at, ';', near));
            const std::string shown(reinterpret_cast<const char*>(at),
                                    semicolon ? semicolon + 1 - at : near);
            throw PackageError(part + ": rakstzīmes atsauce \"" + shown +
                               (semicolon ? "\"" : "...\"") + " nav derīga");
        }
    }
}

// "xl/worksheets/sheet1.xml" from the part "xl/workbook.xml" and the relationship target
// "worksheets/sheet1.xml", "../xl/worksheets/sheet1.xml" or "/xl/worksheets/sheet1.xml".
std::string ResolveTarget(const std::string& sourcePart, std::string target) {
    std::replace(target.begin(), target.end(), '\\', '/');
    std::string path;
    if (!target.empty() && target.front() == '/') {
        path = target;
    } else {
        const size_t slash = sourcePart.rfind('/');
        path =
            (slash == std::string::npos ? std::string() : sourcePart.substr(0, slash + 1)) + target;
    }
    std::vector<std::string_view> segments;
    std::string_view rest(path);
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        const std::string_view segment = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
    }
    std::string resolved;
    for (const std::string_view segment : segments) {
        if (!resolved.empty()) resolved += '/';
        resolved += segment;
    }
    return resolved;
}

// The attributes of the element being opened: orcus reports them one by one before the
// element itself.
class Attributes {
public:
    void add(std::string_view name, std::string_view value) {
        if (count_ == items_.size()) items_.emplace_back();
        items_[count_].name = name;
        items_[count_].value.assign(value);
        ++count_;
    }
    void clear() { count_ = 0; }
    // The value of the attribute with this local name; empty when it is absent.
    std::string_view get(std::string_view localName) const {
        for (size_t i = 0; i < count_; ++i) {
            if (items_[i].name == localName) return items_[i].value;
        }
        return {};
    }

private:
    struct Item {
        std::string_view name;
        std::string value;  // copied: orcus may hand over a temporary buffer
    };
    std::vector<Item> items_;
    size_t count_ = 0;
};

// Adapts a reader with startElement/endElement/characters to orcus' SAX handler. Element
// names arrive without their namespace prefix, so "x:c" and "c" are the same element.
template <typename Reader>
class SaxHandler {
public:
    explicit SaxHandler(Reader& reader) : reader_(reader) {}

    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) { attributes_.clear(); }
    void start_element(const orcus::sax::parser_element& element) {
        reader_.startElement(element.name, attributes_);
        attributes_.clear();
    }
    void end_element(const orcus::sax::parser_element& element) {
        reader_.endElement(element.name);
    }
    // Entities and character references are already decoded; a transient text is copied
    // by the reader before this returns.
    void characters(std::string_view text, bool) { reader_.characters(text); }
    void attribute(const orcus::sax::parser_attribute& attribute) {
        if (attribute.ns != "xmlns" && attribute.name != "xmlns")
            attributes_.add(attribute.name, attribute.value);
    }

private:
    Reader& reader_;
    Attributes attributes_;
};

struct XmlReader {
    void endElement(std::string_view) {}
    void characters(std::string_view) {}
};

struct RelationshipsReader : XmlReader {
    struct Entry {
        std::string id, type, target;
    };
    std::vector<Entry> entries;

    void startElement(std::string_view name, const Attributes& attributes) {
        if (name != "Relationship" || attributes.get("TargetMode") == "External") return;
        entries.push_back({std::string(attributes.get("Id")), std::string(attributes.get("Type")),
                           std::string(attributes.get("Target"))});
    }
};

struct WorkbookReader : XmlReader {
    struct Sheet {
        QString name;
        std::string relationshipId;
    };
    std::vector<Sheet> sheets;
    bool date1904 = false;

    void startElement(std::string_view name, const Attributes& attributes) {
        if (name == "workbookPr") {
            const std::string value = Lower(attributes.get("date1904"));
            date1904 = value == "1" || value == "true";
        } else if (name == "sheet") {
            const std::string_view sheetName = attributes.get("name");
            sheets.push_back(
                {QString::fromUtf8(sheetName.data(), static_cast<qsizetype>(sheetName.size())),
                 std::string(attributes.get("id"))});
        }
    }
};

// Plain <si><t>, rich text runs <si><r><t> joined; phonetic runs <rPh> left out.
class SharedStringsReader {
public:
    explicit SharedStringsReader(TextPool& strings) : strings_(strings) {}

    void startElement(std::string_view name, const Attributes&) {
        if (name == "si") {
            inItem_ = true;
            text_.clear();
        } else if (name == "rPh") {
            ++phoneticDepth_;
        } else if (name == "t") {
            collecting_ = inItem_ && phoneticDepth_ == 0;
        }
    }
    void endElement(std::string_view name) {
        if (name == "t") {
            collecting_ = false;
        } else if (name == "rPh") {
            phoneticDepth_ = std::max(0, phoneticDepth_ - 1);
        } else if (name == "si" && inItem_) {
            strings_.addUtf8(text_);
            inItem_ = false;
        }
    }
    void characters(std::string_view text) {
        if (collecting_) text_.append(text);
    }

private:
    TextPool& strings_;
    std::string text_;
    bool inItem_ = false;
    bool collecting_ = false;
    int phoneticDepth_ = 0;
};

// The number format of each cell style (cellXfs), and which custom formats show dates.
struct StylesReader : XmlReader {
    std::unordered_map<int, bool> customIsDate;
    std::vector<int> styleFormats;
    bool inCellXfs = false;

    void startElement(std::string_view name, const Attributes& attributes) {
        int id = 0;
        if (name == "numFmt") {
            if (ParseWhole(attributes.get("numFmtId"), id))
                customIsDate[id] = xlsx::IsDateFormatCode(attributes.get("formatCode"));
        } else if (name == "cellXfs") {
            inCellXfs = true;
        } else if (name == "xf" && inCellXfs) {
            styleFormats.push_back(ParseWhole(attributes.get("numFmtId"), id) ? id : 0);
        }
    }
    void endElement(std::string_view name) {
        if (name == "cellXfs") inCellXfs = false;
    }

    std::vector<bool> dateStyles() const {
        std::vector<bool> result;
        result.reserve(styleFormats.size());
        for (const int id : styleFormats) {
            const auto custom = customIsDate.find(id);
            result.push_back(custom != customIsDate.end() ? custom->second
                                                          : xlsx::IsBuiltInDateFormat(id));
        }
        return result;
    }
};

// Reads <sheetData> into a SheetTable. The first row with any value is the header row;
// below it, a row is a data row when it has a value in at least one header column, so blank
// rows (and rows with values only outside the header columns) are skipped, as a spreadsheet
// user would expect of a list.
class SheetReader {
public:
    SheetReader(SheetTable& table, const std::vector<bool>& dateStyles, uint64_t partBytes)
        : table_(table),
          dateStyles_(dateStyles),
          sharedCount_(table.sharedStrings->size()),
          partBytes_(partBytes) {}

    void startElement(std::string_view name, const Attributes& attributes) {
        if (name == "dimension" && !inSheetData_) {
            noteDimension(attributes.get("ref"));
        } else if (name == "sheetData") {
            inSheetData_ = true;
        } else if (!inSheetData_) {
            return;
        } else if (name == "row") {
            startRow(attributes);
        } else if (name == "c" && inRow_) {
            startCell(attributes);
        } else if (!inCell_) {
            return;
        } else if (name == "v") {
            collecting_ = hasValue_ = true;
        } else if (name == "is") {
            hasValue_ = true;
        } else if (name == "f") {
            hasFormula_ = collectingFormula_ = true;
            sharedFormula_ = attributes.get("si");
        } else if (name == "rPh") {
            ++phoneticDepth_;
        } else if (name == "t") {
            collecting_ = type_ == Type::Inline && phoneticDepth_ == 0;
        }
    }

    void endElement(std::string_view name) {
        if (name == "sheetData") {
            inSheetData_ = false;
        } else if (name == "row" && inRow_) {
            finishRow();
        } else if (name == "c" && inCell_) {
            finishCell();
        } else if (name == "v" || name == "t") {
            collecting_ = false;
        } else if (name == "f") {
            collectingFormula_ = false;
        } else if (name == "rPh") {
            phoneticDepth_ = std::max(0, phoneticDepth_ - 1);
        }
    }

    void characters(std::string_view text) {
        if (collecting_) value_.append(text);
        if (collectingFormula_) formula_.append(text);
    }

private:
    enum class Type { Number, Shared, Inline, FormulaText, Boolean, ErrorValue, IsoDate };

    void startRow(const Attributes& attributes) {
        const std::string_view number = attributes.get("r");
        if (number.empty()) {
            if (++rowNumber_ > kMaxRows)
                throw PackageError("rinda " + std::to_string(rowNumber_) + " nav derīga");
        } else if (!ParseWhole(number, rowNumber_) || rowNumber_ < 1 || rowNumber_ > kMaxRows) {
            throw PackageError("rindas numurs \"" + std::string(number) + "\" nav derīgs");
        }
        inRow_ = true;
        nextColumn_ = 0;
    }

    // The sheet's extent as its writer gives it ("A1:Q50001"): the last row, trusted no
    // further than the part's size allows, so that the table can be filled without moving.
    void noteDimension(std::string_view ref) {
        const size_t colon = ref.find(':');
        if (colon != std::string_view::npos) ref.remove_prefix(colon + 1);
        int column = 0;
        int row = 0;
        if (!ParseReference(ref, column, row)) return;
        // A stored row takes "<row><c><v>0</v></c></row>" at the least.
        constexpr uint64_t kLeastRowBytes = 26;
        expectedRows_ = static_cast<size_t>(std::min<uint64_t>(row, partBytes_ / kLeastRowBytes));
    }

    void startCell(const Attributes& attributes) {
        const std::string_view reference = attributes.get("r");
        if (reference.empty()) {
            column_ = nextColumn_;
            if (column_ >= kMaxColumns)
                throw PackageError("rindā " + std::to_string(rowNumber_) +
                                   " ir šūnas aiz kolonnas XFD");
        } else {
            int row = 0;
            if (!ParseReference(reference, column_, row))
                throw PackageError("šūnas atsauce \"" + std::string(reference) + "\" rindā " +
                                   std::to_string(rowNumber_) + " nav derīga");
            if (row != rowNumber_)
                throw PackageError("šūnas atsauce \"" + std::string(reference) +
                                   "\" ir ārpus savas rindas " + std::to_string(rowNumber_));
        }
        nextColumn_ = column_ + 1;
        const std::string_view type = attributes.get("t");
        type_ = type == "s"           ? Type::Shared
                : type == "inlineStr" ? Type::Inline
                : type == "str"       ? Type::FormulaText
                : type == "b"         ? Type::Boolean
                : type == "e"         ? Type::ErrorValue
                : type == "d"         ? Type::IsoDate
                                      : Type::Number;
        size_t style = 0;
        dateFormat_ = ParseWhole(attributes.get("s"), style) && style < dateStyles_.size() &&
                      dateStyles_[style];
        value_.clear();
        formula_.clear();
        inCell_ = true;
        hasValue_ = hasFormula_ = false;
        phoneticDepth_ = 0;
    }

    // A reference such as "D17" as the 0-based column 3 and the row 17: one to three letters
    // up to XFD, then the row number up to 1048576 and nothing else.
    static bool ParseReference(std::string_view reference, int& column, int& row) {
        size_t letters = 0;
        column = 0;
        for (; letters < reference.size() && letters < 3; ++letters) {
            const char c = reference[letters];
            if (c >= 'A' && c <= 'Z') {
                column = column * 26 + (c - 'A' + 1);
            } else if (c >= 'a' && c <= 'z') {
                column = column * 26 + (c - 'a' + 1);
            } else {
                break;
            }
        }
        const std::string_view digits = reference.substr(letters);
        const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), row);
        --column;
        return letters > 0 && column < kMaxColumns && parsed.ec == std::errc() &&
               parsed.ptr == digits.data() + digits.size() && row >= 1 && row <= kMaxRows;
    }

    int slotOf(int column) const {
        return column < static_cast<int>(slotOfColumn_.size()) ? slotOfColumn_[column] : -1;
    }

    void finishCell() {
        inCell_ = false;
        collecting_ = false;
        if (headerFound_) {
            const int slot = slotOf(column_);
            if (slot < 0) return;  // no header: not stored
            const StoredCell cell = makeCell();
            pending_[slot] = cell;
            rowHasValue_ = rowHasValue_ || cell.kind != CellKind::Empty;
        } else {
            const StoredCell cell = makeCell();
            // Its column's name cannot be known: asking for that column would read as missing.
            if (cell.kind == CellKind::Formula)
                throw PackageError("virsraksta šūnā " + here() + " ir formula \"" +
                                   table_.text(cell.text).toString().toStdString() +
                                   "\", saglabāta bez vērtības");
            if (cell.kind != CellKind::Empty) headerCells_.emplace_back(column_, cell);
        }
    }

    StoredCell makeCell() {
        StoredCell cell;
        // openpyxl writes an empty <v> for a value it did not compute; only a text can be empty.
        if (hasFormula_ && (!hasValue_ || (type_ != Type::FormulaText && type_ != Type::Inline &&
                                           TrimAscii(value_).empty()))) {
            // The follower cells of a shared formula carry only the formula's number.
            addText(cell, formula_.empty()
                              ? "shared formula " + QString::fromStdString(sharedFormula_)
                              : "=" + DecodedText(formula_));
            cell.kind = CellKind::Formula;
            return cell;
        }
        switch (type_) {
            case Type::Shared: {
                size_t index = 0;
                if (TrimAscii(value_).empty()) return cell;
                if (!ParseWhole(value_, index) || index >= sharedCount_)
                    throw PackageError("šūna " + here() + " atsaucas uz kopīgo tekstu \"" + value_ +
                                       "\", kura nav");
                if (!table_.sharedStrings->at(static_cast<uint32_t>(index)).isEmpty())
                    setText(cell, static_cast<uint32_t>(index));
                return cell;
            }
            case Type::Inline:
            case Type::FormulaText:
                addText(cell, DecodedText(value_));
                return cell;
            case Type::ErrorValue:
                addText(cell,
                        QString::fromUtf8(value_.data(), static_cast<qsizetype>(value_.size())));
                if (cell.kind == CellKind::Text) cell.kind = CellKind::ErrorValue;
                return cell;
            case Type::Boolean: {
                const std::string_view flag = TrimAscii(value_);
                if (flag.empty()) return cell;
                cell.kind = CellKind::Boolean;
                cell.number = flag == "1" || Lower(flag) == "true" ? 1 : 0;
                return cell;
            }
            case Type::IsoDate: {
                const QString text =
                    QString::fromUtf8(value_.data(), static_cast<qsizetype>(value_.size()));
                const auto date = xlsx::ParseDateText(text);
                const auto serial =
                    date ? xlsx::DateTimeToSerial(*date, table_.date1904) : std::nullopt;
                if (!serial) {
                    addText(cell, text);
                    return cell;
                }
                cell.kind = CellKind::Number;
                cell.number = *serial;
                cell.dateFormat = true;
                return cell;
            }
            case Type::Number:
                if (TrimAscii(value_).empty()) return cell;
                if (!ParseDouble(value_, cell.number)) {
                    // Not a number after all: keep what was written.
                    addText(cell, QString::fromUtf8(value_.data(),
                                                    static_cast<qsizetype>(value_.size())));
                    return cell;
                }
                cell.kind = CellKind::Number;
                cell.dateFormat = dateFormat_;
                return cell;
        }
        return cell;
    }

    static void setText(StoredCell& cell, uint32_t index) {
        cell.kind = CellKind::Text;
        cell.text = index;
    }

    // An empty text is an empty cell.
    void addText(StoredCell& cell, QStringView text) {
        if (text.isEmpty()) return;
        setText(cell, static_cast<uint32_t>(sharedCount_) + table_.ownTexts.add(text));
    }

    void finishRow() {
        inRow_ = false;
        if (!headerFound_) {
            if (!headerCells_.empty()) takeHeader();
            return;
        }
        if (rowHasValue_) {
            table_.cells.insert(table_.cells.end(), pending_.begin(), pending_.end());
            table_.sheetRows.push_back(rowNumber_);
        }
        std::fill(pending_.begin(), pending_.end(), StoredCell());
        rowHasValue_ = false;
    }

    void takeHeader() {
        headerFound_ = true;
        for (const auto& [column, cell] : headerCells_) {
            const QString name = CellText(cell, table_);
            const QString key = name.toCaseFolded();
            if (table_.columnByName.contains(key)) continue;
            const int slot = static_cast<int>(table_.headers.size());
            table_.columnByName.insert(key, slot);
            table_.headers.push_back(name);
            table_.sheetColumns.push_back(column);
            if (column >= static_cast<int>(slotOfColumn_.size()))
                slotOfColumn_.resize(column + 1, -1);
            slotOfColumn_[column] = slot;
        }
        headerCells_.clear();
        table_.cells.reserve(expectedRows_ * table_.headers.size());
        table_.sheetRows.reserve(expectedRows_);
        pending_.assign(table_.headers.size(), StoredCell());
    }

    std::string here() const { return xlsx::CellReference(column_, rowNumber_).toStdString(); }

    SheetTable& table_;
    const std::vector<bool>& dateStyles_;
    const size_t sharedCount_;
    const uint64_t partBytes_;
    size_t expectedRows_ = 0;

    bool inSheetData_ = false;
    bool inRow_ = false;
    bool inCell_ = false;
    bool collecting_ = false;
    bool collectingFormula_ = false;
    bool hasValue_ = false;    // <v> or <is> seen
    bool hasFormula_ = false;  // <f> seen
    int phoneticDepth_ = 0;
    int rowNumber_ = 0;
    int nextColumn_ = 0;
    int column_ = 0;
    Type type_ = Type::Number;
    bool dateFormat_ = false;
    std::string value_;  // text of <v>, or the runs of an inline string
    std::string formula_;
    std::string sharedFormula_;  // the si of a shared formula

    bool headerFound_ = false;
    std::vector<std::pair<int, StoredCell>> headerCells_;
    std::vector<int> slotOfColumn_;  // worksheet column -> stored column, -1 without header
    std::vector<StoredCell> pending_;
    bool rowHasValue_ = false;
};

}  // namespace

void TextPool::reserveFor(uint64_t bytes) {
    bytes = std::min<uint64_t>(bytes, 32 << 20);  // a very large part grows as it goes
    chars_.reserve(chars_.size() + bytes);
    ends_.reserve(ends_.size() + bytes / 16);  // "<si><t></t></si>" at the least
}

uint32_t TextPool::addUtf8(std::string_view utf8) {
    // Each text on its own; a leading byte order mark goes, as QString::fromUtf8 drops it.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const size_t begin = chars_.size();
    chars_.resize(begin + utf8.size());  // UTF-8 takes at least a byte per UTF-16 unit
    const QChar* end = decoder.appendToBuffer(reinterpret_cast<QChar*>(chars_.data() + begin),
                                              QByteArrayView(utf8.data(), qsizetype(utf8.size())));
    chars_.resize(static_cast<size_t>(reinterpret_cast<const char16_t*>(end) - chars_.data()));
    const QStringView added(chars_.data() + begin, qsizetype(chars_.size() - begin));
    if (added.contains(QLatin1String("_x"))) {  // rare: escapes such as _x000D_
        const QString decoded = xlsx::DecodeEscapes(added.toString());
        chars_.resize(begin);
        return add(decoded);
    }
    ends_.push_back(chars_.size());
    return static_cast<uint32_t>(ends_.size() - 1);
}

uint32_t TextPool::add(QStringView text) {
    chars_.insert(chars_.end(), text.utf16(), text.utf16() + text.size());
    ends_.push_back(chars_.size());
    return static_cast<uint32_t>(ends_.size() - 1);
}

QString CellText(const StoredCell& cell, const SheetTable& table) {
    switch (cell.kind) {
        case CellKind::Empty:
            return QString();
        case CellKind::Text:
        case CellKind::ErrorValue:
        case CellKind::Formula:
            return table.text(cell.text).toString();
        case CellKind::Boolean:
            return cell.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        case CellKind::Number:
            if (cell.dateFormat) {
                if (const auto date = xlsx::SerialToDateTime(cell.number, table.date1904))
                    return xlsx::FormatDateTime(*date);
            }
            return xlsx::FormatNumber(cell.number);
    }
    return QString();
}

XlsxPackage::XlsxPackage(QString filePath, QByteArray content)
    : filePath_(std::move(filePath)), content_(std::move(content)) {}

XlsxPackage::~XlsxPackage() = default;

std::unique_ptr<XlsxPackage> XlsxPackage::open(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(
            Error::Category::Workbook,
            QStringLiteral("Nevar atvērt Excel failu: %1 (%2)").arg(filePath, file.errorString()));
    std::unique_ptr<XlsxPackage> package(new XlsxPackage(filePath, file.readAll()));
    try {
        package->load();
    } catch (const TooLargeError&) {
        throw Error(Error::Category::Workbook,
                    QStringLiteral("Nevar nolasīt Excel failu (atpakots tas pārsniedz %1): %2")
                        .arg(QString::fromStdString(MiB(kMaxUnpacked)), filePath));
    } catch (const PackageError& e) {
        throw Error(Error::Category::Workbook,
                    QStringLiteral("Tas nav Excel fails (.xlsx): %1 (%2)")
                        .arg(filePath, QString::fromUtf8(e.what())));
    } catch (const std::exception&) {
        // orcus' own zip errors, in English and often empty.
        throw Error(
            Error::Category::Workbook,
            QStringLiteral("Tas nav Excel fails (.xlsx): %1 (bojāts zip arhīvs)").arg(filePath));
    }
    if (package->sheetNames_.isEmpty())
        throw Error(Error::Category::Workbook,
                    QStringLiteral("Excel failā nav nevienas darba lapas: %1").arg(filePath));
    return package;
}

void XlsxPackage::load() {
    entrySizes_ = ReadZipDirectory(content_);
    stream_ = std::make_unique<orcus::zip_archive_stream_blob>(
        reinterpret_cast<const uint8_t*>(content_.constData()),
        static_cast<size_t>(content_.size()));
    archive_ = std::make_unique<orcus::zip_archive>(stream_.get());
    archive_->load();
    for (size_t i = 0; i < archive_->get_file_entry_count(); ++i) {
        const std::string name(archive_->get_file_entry_name(i));
        if (entrySizes_.count(name) == 0)
            throw PackageError("zip arhīva satura rādītājs ir bojāts");
        entryByLowerName_.emplace(Lower(name), name);
    }

    std::string workbookPart;
    for (const auto& [id, relationship] : readRelationships(std::string())) {
        if (EndsWith(relationship.type, "/officeDocument")) workbookPart = relationship.target;
    }
    if (workbookPart.empty()) throw PackageError("arhīvā nav norādīta darbgrāmatas daļa");

    WorkbookReader workbook;
    parsePart(workbookPart, workbook);
    date1904_ = workbook.date1904;
    const auto relationships = readRelationships(workbookPart);
    for (const auto& sheet : workbook.sheets) {
        const auto relationship = relationships.find(sheet.relationshipId);
        // Chart sheets and dialog sheets have no rows.
        if (relationship == relationships.end() ||
            !EndsWith(relationship->second.type, "/worksheet"))
            continue;
        sheetNames_.push_back(sheet.name);
        sheetParts_.push_back(relationship->second.target);
    }
    // All that will be read, counted before the large parts are unpacked.
    uint64_t planned = unpacked_;
    for (const std::string& part : sheetParts_) planned += unpackedSize(part);
    for (const auto& [id, relationship] : relationships) {
        if (EndsWith(relationship.type, "/sharedStrings") || EndsWith(relationship.type, "/styles"))
            planned += unpackedSize(relationship.target);
    }
    if (planned > kMaxUnpacked) throw TooLargeError();
    sharedStrings_ = std::make_shared<TextPool>();
    for (const auto& [id, relationship] : relationships) {
        if (EndsWith(relationship.type, "/sharedStrings")) {
            sharedStrings_->reserveFor(unpackedSize(relationship.target));
            SharedStringsReader reader(*sharedStrings_);
            parsePart(relationship.target, reader);
        } else if (EndsWith(relationship.type, "/styles")) {
            StylesReader reader;
            parsePart(relationship.target, reader);
            dateStyles_ = reader.dateStyles();
        }
    }
}

std::unordered_map<std::string, XlsxPackage::Relationship> XlsxPackage::readRelationships(
    const std::string& part) const {
    const size_t slash = part.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    const std::string relsPart = folder + "_rels/" + part.substr(folder.size()) + ".rels";
    std::unordered_map<std::string, Relationship> result;
    if (entryName(relsPart).empty()) return result;
    RelationshipsReader reader;
    parsePart(relsPart, reader);
    for (auto& entry : reader.entries)
        result.emplace(entry.id, Relationship{entry.type, ResolveTarget(part, entry.target)});
    return result;
}

// The name of the zip entry of `part`; zip lookups ignore case. Empty when it is missing.
std::string XlsxPackage::entryName(const std::string& part) const {
    if (entrySizes_.count(part) != 0) return part;
    const auto entry = entryByLowerName_.find(Lower(part));
    return entry == entryByLowerName_.end() ? std::string() : entry->second;
}

// As the zip directory gives it; a missing part is read as missing by readPart.
uint64_t XlsxPackage::unpackedSize(const std::string& part) const {
    const auto size = entrySizes_.find(entryName(part));
    return size == entrySizes_.end() ? 0 : size->second;
}

// The part's bytes, followed by a guard. liborcus 0.17's parser can step past the end of a
// document cut short inside a tag or an entity and run on through memory; the guard closes
// any open quote, tag or text and then fails on "</>", so that parsing always ends inside the
// buffer. A well-formed part is parsed to its root element's end and never reaches it.
std::vector<unsigned char> XlsxPackage::readPart(const std::string& part) const {
    const std::string name = entryName(part);
    if (name.empty()) throw PackageError("trūkst daļas " + part);
    const uint64_t size = entrySizes_.at(name);
    if (unpacked_ + size > kMaxUnpacked) throw TooLargeError();
    unpacked_ += size;
    std::vector<unsigned char> bytes;
    if (!archive_->read_file_entry(name, bytes))
        throw PackageError("daļu " + part + " nevar atpakot");
    // orcus fills what the data leaves of the declared size with zeros.
    while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    if (bytes.size() > size)
        throw PackageError("daļa " + part +
                           " atpakota pārsniedz zip satura rādītājā norādīto izmēru");
    const std::string_view guard = "\"'></>";
    bytes.insert(bytes.end(), guard.begin(), guard.end());  // into the room asked for it
    return bytes;
}

template <typename Reader>
void XlsxPackage::parsePart(const std::string& part, Reader& reader) const {
    const std::vector<unsigned char> xml = readPart(part);
    CheckCharacterReferences(xml, part);
    SaxHandler<Reader> handler(reader);
    try {
        orcus::sax_parser<SaxHandler<Reader>> parser(reinterpret_cast<const char*>(xml.data()),
                                                     xml.size(), handler);
        parser.parse();
    } catch (const orcus::parse_error& e) {
        // Where the XML breaks; orcus' own words are English.
        throw PackageError(part + ": bojāts XML (baits " + std::to_string(e.offset()) + ")");
    }
}

SheetTable XlsxPackage::loadSheet(int index) const {
    SheetTable table;
    table.date1904 = date1904_;
    table.sharedStrings = sharedStrings_;
    const std::string& part = sheetParts_[static_cast<size_t>(index)];
    SheetReader reader(table, dateStyles_, unpackedSize(part));
    try {
        if (unpackedSize(part) > kMaxSheetUnpacked)
            throw PackageError("atpakota tā pārsniedz " + MiB(kMaxSheetUnpacked));
        parsePart(part, reader);
    } catch (const std::exception& e) {
        // orcus' own zip errors are English: told as what they mean.
        const bool ours = dynamic_cast<const PackageError*>(&e) != nullptr;
        throw Error(
            Error::Category::Workbook,
            QStringLiteral("Nevar nolasīt darba lapu (%1): %2, lapa \"%3\"")
                .arg(ours ? QString::fromUtf8(e.what()) : QStringLiteral("bojāts zip arhīvs"),
                     filePath_, sheetNames_[index]));
    }
    return table;
}

}  // namespace wwweksports
