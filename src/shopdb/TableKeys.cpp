#include "shopdb/TableKeys.h"

#include <utility>

#include "operator/Error.h"
#include "shopdb/BulkWriter.h"
#include "shopdb/Query.h"
#include "shopdb/Session.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

// The server's number for a statement the account has no right to.
const unsigned int kDenied = 1142;

// One ALTER per table, all in one round trip after the statements `batch` holds, up to the
// first table the account may not alter. Returns how many were switched; the results of the
// round trip go to `results` when it ran whole.
qsizetype Switch(ShopConnection& connection, const QStringList& tables, const char* how,
                 StatementBatch& batch, std::vector<ResultRows>* results = nullptr) {
    const size_t ahead = batch.size();
    for (const QString& table : tables) {
        Query alter(connection, QStringLiteral("ALTER TABLE %1 %2 KEYS").arg(table, how));
        batch.add(alter);
    }
    try {
        std::vector<ResultRows> ran = batch.execute();
        if (results) *results = std::move(ran);
    } catch (const Error& e) {
        if (e.linkLost() || e.serverError() != kDenied || batch.completed() < ahead) throw;
        return static_cast<qsizetype>(batch.completed() - ahead);
    }
    return tables.size();
}

qsizetype Switch(ShopConnection& connection, const QStringList& tables, const char* how) {
    StatementBatch batch(connection);
    return Switch(connection, tables, how, batch);
}

}  // namespace

DisabledKeys::DisabledKeys(ShopConnection& connection, QStringList tables)
    : connection_(connection) {
    // Without the right to alter a table it is filled with its keys on; those before it in
    // the list are switched off, and so on again at the end.
    tables_ = tables.mid(0, Switch(connection, tables, "DISABLE"));
    generation_ = connection.session().generation();
}

DisabledKeys::DisabledKeys(ShopConnection& connection, QStringList tables, StatementBatch& batch,
                           std::vector<ResultRows>& results)
    : connection_(connection) {
    results.clear();
    tables_ = tables.mid(0, Switch(connection, tables, "DISABLE", batch, &results));
    generation_ = connection.session().generation();
}

DisabledKeys::~DisabledKeys() {
    // A new session opened here, while an error unwinds, would write without the run lock.
    if (!connection_.isOpen() || connection_.session().generation() != generation_) return;
    try {
        enable();
    } catch (const Error&) {
        // The next upload repairs it before it writes.
    }
}

void DisabledKeys::enable(const QStringList& except) {
    QStringList tables;
    QStringList kept;
    for (const QString& table : std::exchange(tables_, {}))
        (except.contains(table) ? kept : tables) << table;
    tables_ = kept;
    if (!tables.isEmpty()) Switch(connection_, tables, "ENABLE");
}

void DisabledKeys::enableIn(BulkWriter& writer) const {
    for (const QString& table : tables_) {
        const QString alter = QStringLiteral("ALTER TABLE %1 ENABLE KEYS").arg(table);
        writer.add(alter.toStdString(), alter);
    }
}

void RepairDisabledKeys(ShopConnection& connection, const QStringList& tables,
                        const QString& first) {
    const QString lookUp = QStringLiteral(
        "SELECT DISTINCT TABLE_NAME AS name FROM information_schema.STATISTICS WHERE "
        "TABLE_SCHEMA = DATABASE() AND COMMENT = 'disabled'");
    StatementBatch batch(connection);
    if (!first.isEmpty()) batch.add(first);
    batch.add(lookUp);
    const ResultRows found = batch.execute().back();
    QStringList disabled;
    for (int row = 0; row < found.rowCount(); ++row) {
        const QString name = found.text(row, QStringLiteral("name"));
        if (tables.contains(name, Qt::CaseInsensitive)) disabled << name;
    }
    if (!disabled.isEmpty()) Switch(connection, disabled, "ENABLE");
}

}  // namespace wwweksports
