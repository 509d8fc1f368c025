// The non-unique keys of the shop's MyISAM tables, switched off while a table is filled and
// rebuilt once at the end, which the server does far faster than row by row. The unique keys
// stay on, so every row the shop would refuse is still refused. Engines without the option
// (InnoDB) take the switch as a no-op; an account without the right to alter tables simply
// fills them with the keys on.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "shopdb/Result.h"

namespace wwweksports {

class BulkWriter;
class ShopConnection;
class StatementBatch;

class DisabledKeys {
public:
    // Disables the non-unique keys of `tables`, in order, up to the first one the account may
    // not alter: that one and the rest keep their keys on.
    DisabledKeys(ShopConnection& connection, QStringList tables);
    // The same in one round trip with the statements `batch` holds, which run first; their
    // results go to `results`. When an ALTER is refused they have run, but their results are
    // lost and `results` is left empty.
    DisabledKeys(ShopConnection& connection, QStringList tables, StatementBatch& batch,
                 std::vector<ResultRows>& results);
    // Enables them again, if enable() did not, on the session that disabled them; a lost
    // session or a failure is left for the next upload's RepairDisabledKeys.
    ~DisabledKeys();
    DisabledKeys(const DisabledKeys&) = delete;
    DisabledKeys& operator=(const DisabledKeys&) = delete;

    // Enables the keys again, but for the tables in `except`; raises Error(Database) when the
    // server refuses.
    void enable(const QStringList& except = {});
    // Queues the statements that enable the keys again in `writer`, after what it holds: they
    // run in its round trip. Once the writer has sent them without an error, enabled() says
    // so; till then the destructor still enables them.
    void enableIn(BulkWriter& writer) const;
    void enabled() { tables_.clear(); }
    // Whether the keys of `table` are off.
    bool holds(const QString& table) const { return tables_.contains(table); }
    // The caller has switched the keys of `table` on itself.
    void forget(const QString& table) { tables_.removeAll(table); }

private:
    ShopConnection& connection_;
    QStringList tables_;       // those whose keys are off
    uint64_t generation_ = 0;  // the session that switched them off
};

// Enables the keys of every one of `tables` found with keys disabled: an upload that died
// between disabling and enabling is repaired by the next one before it writes. `first`, when
// given, is a statement sent ahead of the look-up in the same round trip.
void RepairDisabledKeys(ShopConnection& connection, const QStringList& tables,
                        const QString& first = QString());

}  // namespace wwweksports
