#include "shopdb/BulkWriter.h"

#include <algorithm>
#include <limits>
#include <set>
#include <utility>
#include <variant>

#include "operator/Error.h"
#include "shopdb/Session.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

// Room left in a packet for the request header.
const size_t kPacketOverhead = 16 * 1024;
const size_t kMinPacketBudget = 64 * 1024;
// A round trip is kept under this even where the server takes more: the text is held in
// memory while it is written and sent.
const size_t kMaxRoundTrip = 8 * 1024 * 1024;
// Rows of one keyed update statement.
const size_t kKeyedRows = 5000;
// A keyed update of at least one row in this many of the table's goes through the table.
const size_t kScanShare = 3;

size_t PacketBudget(uint64_t packet) {
    return packet > kMinPacketBudget + kPacketOverhead
               ? static_cast<size_t>(packet) - kPacketOverhead
               : kMinPacketBudget;
}

// A value as escaped literal text: quotes, backslashes and the characters escaped with one
// take a byte more.
size_t LiteralSize(const Value& value) {
    const auto* text = std::get_if<std::string>(&value);
    if (!text) return 32;
    size_t size = text->size() + 2;
    for (const char c : *text) {
        if (c == '\'' || c == '"' || c == '\\' || c == '\0' || c == '\n' || c == '\r' ||
            c == '\032')
            ++size;
    }
    return size;
}

}  // namespace

size_t RoundTripBudget(uint64_t maxPacket) {
    return std::min(PacketBudget(maxPacket), kMaxRoundTrip);
}

bool RowFitsPacket(const std::vector<Value>& values, uint64_t maxPacket) {
    size_t bytes = 0;
    for (const Value& value : values) bytes += LiteralSize(value) + 1;
    return bytes <= PacketBudget(maxPacket);
}

// --- BulkWriter --------------------------------------------------------------------------------

BulkWriter::BulkWriter(ShopConnection& connection, std::function<void(int)> reached)
    : connection_(connection),
      reached_(std::move(reached)),
      budget_(RoundTripBudget(connection.maxAllowedPacket())) {}

void BulkWriter::appendLiteral(std::string& sql, const Value& value) {
    connection_.session().appendLiteral(sql, value);
}

void BulkWriter::appendLiteral(std::string& sql, int64_t value) {
    connection_.session().appendLiteral(sql, Value(value));
}

void BulkWriter::appendLiteral(std::string& sql, double value) {
    connection_.session().appendLiteral(sql, Value(value));
}

void BulkWriter::appendLiteral(std::string& sql, const QString& text) {
    connection_.session().appendText(sql, QStringView(text));
}

void BulkWriter::appendLiteral(std::string& sql, const std::string& text) {
    connection_.session().appendText(sql, text.data(), text.size());
}

BulkWriter::~BulkWriter() {
    if (sent_.names.empty()) return;
    try {
        connection_.session().finish(sent_.names, nullptr);
    } catch (const Error&) {
        // The writer is left because of another error, which is the one reported.
    }
}

void BulkWriter::add(const std::string& statement, const QString& name, Recover recover) {
    if (!queued_.names.empty() && queued_.sql.size() + 1 + statement.size() > budget_) startTrip();
    if (queued_.names.empty()) {
        // The text of a trip grows in a buffer of its full size, used again trip after trip.
        if (queued_.sql.capacity() < budget_) {
            queued_.sql.swap(spare_);
            queued_.sql.reserve(budget_);
        }
        queued_.sql.assign(statement);
    } else {
        queued_.sql += ';';
        queued_.sql += statement;
    }
    queued_.names.push_back(name);
    queued_.marks.push_back(mark_);
    if (recover) queued_.recover[queued_.names.size() - 1] = std::move(recover);
}

void BulkWriter::send() {
    startTrip();
    finishTrip();
}

void BulkWriter::startTrip() {
    finishTrip();
    if (queued_.names.empty()) return;
    sent_ = std::move(queued_);
    queued_ = Trip();
    if (reached_) reached_(sent_.marks.front());
    connection_.session().start(sent_.sql, sent_.names.size());
}

void BulkWriter::finishTrip() {
    if (sent_.names.empty()) return;
    Trip trip = std::move(sent_);
    sent_ = Trip();
    size_t completed = 0;
    try {
        connection_.session().finish(trip.names, &completed);
    } catch (const Error& e) {
        if (!e.linkLost()) {
            const size_t failed = std::min(completed, trip.names.size() - 1);
            if (reached_) reached_(trip.marks[failed]);
            const auto it = trip.recover.find(failed);
            if (it != trip.recover.end()) it->second(e, trip.marks[failed]);
        }
        throw;
    }
    if (reached_) reached_(trip.marks.back());
    spare_ = std::move(trip.sql);
    spare_.clear();
}

// --- InsertRows --------------------------------------------------------------------------------

InsertRows::InsertRows(BulkWriter& writer, const QString& text)
    : writer_(writer), name_(text), sql_(ParseSqlText(text)) {
    if (!sql_.multiRow) {
        throw Error(
            Error::Category::Database,
            QStringLiteral("Ar šo vaicājumu rindas nevar ierakstīt: %1").arg(text.simplified()));
    }
    for (const size_t offset : sql_.placeholderOffsets)
        offsets_.push_back(offset - sql_.head.size());
}

void InsertRows::beginRow() {
    if (rows_ == 0) {
        statement_ = sql_.head;
        mark_ = writer_.mark();
    }
    rowStart_ = statement_.size();
    if (rows_ > 0) statement_ += ',';
}

void InsertRows::appendSegment(size_t placeholder) {
    if (placeholder >= offsets_.size()) return;  // endRow() reports the count
    const size_t from = placeholder == 0 ? 0 : offsets_[placeholder - 1] + 1;
    statement_.append(sql_.tuple, from, offsets_[placeholder] - from);
}

void InsertRows::endRow(size_t placeholders) {
    if (placeholders != offsets_.size()) {
        statement_.resize(rowStart_);
        throw Error(Error::Category::Database,
                    QStringLiteral("Vaicājums ņem %1 vērtības rindā, nevis %2: %3")
                        .arg(offsets_.size())
                        .arg(placeholders)
                        .arg(name_.simplified()));
    }
    statement_.append(sql_.tuple, offsets_.empty() ? 0 : offsets_.back() + 1, std::string::npos);
    ++rows_;
    if (rows_ > 1 && statement_.size() + sql_.tail.size() > writer_.budget()) {
        // The row would take the statement past what a round trip takes: it starts the next.
        const std::string row = statement_.substr(rowStart_ + 1);
        statement_.resize(rowStart_);
        --rows_;
        end();
        statement_ = sql_.head + row;
        mark_ = writer_.mark();
        rows_ = 1;
    }
}

void InsertRows::add(const std::vector<const Value*>& values) {
    beginRow();
    for (size_t p = 0; p < values.size(); ++p) {
        appendSegment(p);
        writer_.appendLiteral(statement_, *values[p]);
    }
    endRow(values.size());
}

void InsertRows::end() {
    if (rows_ == 0) return;
    statement_ += sql_.tail;
    const int current = writer_.mark();
    writer_.setMark(mark_);
    writer_.add(statement_, name_, recover_);
    writer_.setMark(current);
    statement_.clear();
    rows_ = 0;
}

// --- KeyedUpdate -------------------------------------------------------------------------------

KeyedUpdate::KeyedUpdate(std::string table, std::string key, std::string column, QString name)
    : table_(std::move(table)),
      key_(std::move(key)),
      column_(std::move(column)),
      name_(std::move(name)) {}

void KeyedUpdate::add(int64_t key, Value value) {
    keys_.push_back(key);
    values_.push_back(std::move(value));
}

void KeyedUpdate::setCurrent(int64_t key, std::optional<std::string> value) {
    current_[key] = std::move(value);
}

void KeyedUpdate::readCurrent(ShopConnection& connection) {
    if (keys_.empty()) return;
    const auto [low, high] = std::minmax_element(keys_.begin(), keys_.end());
    // One pass over the key's range: far cheaper for the server than looking up each key.
    const std::string sql = "SELECT " + key_ + ", " + column_ + " FROM " + table_ + " WHERE " +
                            key_ + " BETWEEN " + std::to_string(*low) + " AND " +
                            std::to_string(*high);
    const std::string count = "SELECT COUNT(*) FROM " + table_;
    StatementBatch batch(connection);
    batch.add(sql, QString::fromStdString(sql));
    batch.add(count, QString::fromStdString(count));
    const std::set<int64_t> wanted(keys_.begin(), keys_.end());
    const std::vector<ResultRows> results = batch.execute();
    const ResultRows& counted = results.back();
    if (counted.rowCount() > 0) tableRows_ = static_cast<uint64_t>(counted.integer(0, 0));
    const ResultRows& found = results.front();
    for (int row = 0; row < found.rowCount(); ++row) {
        const int64_t key = found.integer(row, 0);
        if (wanted.count(key) == 0) continue;
        const std::optional<std::string_view> value = found.value(row, 1);
        current_[key] = value ? std::optional<std::string>(*value) : std::nullopt;
    }
}

size_t KeyedUpdate::distinctKeys() const {
    return std::set<int64_t>(keys_.begin(), keys_.end()).size();
}

std::string KeyedUpdate::single(BulkWriter& writer, int64_t key, const Value& value) const {
    std::string sql = "UPDATE " + table_ + " SET " + column_ + " = ";
    writer.appendLiteral(sql, value);
    return sql + " WHERE " + key_ + " = " + std::to_string(key);
}

namespace {

// A whole number, text or NULL (absent) in the form the server gives it back.
std::optional<std::string> TextForm(const Value& value) {
    if (const auto* i = std::get_if<int64_t>(&value)) return std::to_string(*i);
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    return std::nullopt;
}

// Whether a column holding `current` (as the server gives it) holds `value` already.
bool Holds(const std::optional<std::string>& current, const Value& value) {
    const bool comparable = std::holds_alternative<int64_t>(value) ||
                            std::holds_alternative<std::string>(value) ||
                            std::holds_alternative<std::monostate>(value);
    return comparable && current == TextForm(value);
}

}  // namespace

void KeyedUpdate::write(BulkWriter& writer, size_t start, size_t end) {
    end = std::min(end, keys_.size());
    // A join that changes a good part of the table goes through it in its own order, looking
    // each row up among the new values: one pass over the table costs the server far less
    // than fetching that many rows one by one by their key. The statement then takes every
    // row it can, and a smaller one keeps to kKeyedRows.
    const auto throughTable = [this](size_t rows) {
        return tableRows_ > 0 && rows * kScanShare >= tableRows_;
    };
    size_t changing = 0;  // counted only where the table's size is known
    for (size_t row = start; tableRows_ > 0 && row < end; ++row) {
        const auto known = current_.find(keys_[row]);
        if (known == current_.end() || !Holds(known->second, values_[row])) ++changing;
    }
    const size_t rowCap = throughTable(changing) ? std::numeric_limits<size_t>::max() : kKeyedRows;
    std::vector<Row> chunk;
    std::set<int64_t> chunkKeys;
    std::string keys;
    std::string values;
    const auto flush = [&] {
        if (chunk.empty()) return;
        std::string update;
        // Whole numbers for keys close together (as a shop's product IDs are) are found by
        // their place: the rows of the keys' range take the new value where one is given and
        // keep their own elsewhere, with no table of new values to build and join. (A text
        // beside the column's own value would take the column's collation.)
        const int64_t low = *chunkKeys.begin();
        const uint64_t span = static_cast<uint64_t>(*chunkKeys.rbegin() - low) + 1;
        const size_t selfSize = column_.size() + 4;
        const bool wholeNumbers = std::all_of(chunk.begin(), chunk.end(), [](const Row& row) {
            return std::holds_alternative<int64_t>(*row.value);
        });
        if (wholeNumbers && throughTable(chunk.size()) && span <= 2 * chunk.size() &&
            values.size() + (span - chunk.size()) * selfSize + 256 <= writer.budget()) {
            std::vector<std::string> given(span);
            for (const Row& row : chunk)
                writer.appendLiteral(given[static_cast<size_t>(row.key - low)], *row.value);
            update = "UPDATE " + table_ + " SET " + column_ + " = ELT(" + key_ + " - (" +
                     std::to_string(low) + " - 1)";
            for (const std::string& value : given) {
                update += ", ";
                update += value.empty() ? column_ : value;
            }
            update += ") WHERE " + key_ + " BETWEEN " + std::to_string(low) + " AND " +
                      std::to_string(*chunkKeys.rbegin());
        } else {
            update = "UPDATE " + table_ + " AS t " +
                     (throughTable(chunk.size()) ? "STRAIGHT_JOIN" : "JOIN") +
                     " (SELECT CAST(ELT(l.i" + keys + ") AS SIGNED) AS k, ELT(l.i" + values +
                     ") AS v FROM " + NumbersTable(chunk.size()) + " AS l) AS u ON t." + key_ +
                     " = u.k SET t." + column_ + " = u.v";
        }
        writer.add(
            std::move(update), name_,
            [this, &writer, rows = std::move(chunk)](const Error&, int) { recover(writer, rows); });
        chunk.clear();
        chunkKeys.clear();
        keys.clear();
        values.clear();
    };
    for (size_t row = start; row < end; ++row) {
        const int64_t key = keys_[row];
        const Value& value = values_[row];
        const auto known = current_.find(key);
        if (known != current_.end() && Holds(known->second, value)) continue;
        // A key given again starts a new statement, which runs after the earlier value's.
        if (chunkKeys.count(key) != 0 || chunk.size() == rowCap ||
            keys.size() + values.size() > writer.budget() / 2)
            flush();
        Row queued{key, &value, std::nullopt};
        if (known != current_.end()) {
            queued.before = std::exchange(known->second, TextForm(value));
        }
        chunk.push_back(queued);
        chunkKeys.insert(key);
        keys += ", " + std::to_string(key);
        values += ", ";
        writer.appendLiteral(values, value);
    }
    flush();
}

// On a table without transactions some of the join's rows may be written, in an order of the
// server's choosing. The rows go again one statement each, in order, up to the refused one;
// those after it get their values from before back.
void KeyedUpdate::recover(BulkWriter& writer, const std::vector<Row>& rows) {
    ShopConnection& connection = writer.connection();
    StatementBatch replay(connection);
    for (const Row& row : rows) replay.add(single(writer, row.key, *row.value), name_);
    try {
        replay.execute();
    } catch (const Error& refused) {
        if (refused.linkLost()) throw;
        StatementBatch restore(connection);
        for (size_t k = replay.completed() + 1; k < rows.size(); ++k) {
            if (!rows[k].before) continue;
            const std::optional<std::string>& before = *rows[k].before;
            restore.add(single(writer, rows[k].key, before ? Value(*before) : Value()), name_);
        }
        try {
            restore.execute();
        } catch (const Error& e) {
            if (e.linkLost()) throw;
        }
        throw refused;
    }
}

}  // namespace wwweksports
