#include "shopdb/RunLock.h"

#include <algorithm>

#include "operator/Error.h"
#include "shopdb/Query.h"
#include "shopdb/Session.h"
#include "shopdb/StatementBatch.h"

namespace wwweksports {
namespace {

// One lock per database on the server; the server takes names of at most 64 characters.
const QString kName = QStringLiteral("LEFT(CONCAT('WWWEksports ', IFNULL(DATABASE(), '')), 64)");

}  // namespace

RunLock::RunLock(ShopConnection& connection, int waitSeconds, uint64_t staleSession,
                 const std::function<void(int waited)>& waiting)
    : connection_(connection) {
    for (int waited = 0;;) {
        int64_t holder = 0;
        if (take(&holder)) break;
        if (staleSession != 0 && static_cast<uint64_t>(holder) == staleSession) {
            // The server has not noticed yet that the link to it broke.
            EndStaleSession(connection, staleSession);
            staleSession = 0;
            continue;
        }
        if (waited >= waitSeconds) {
            // Seen only when the server shows this account the other session.
            const ResultRows other =
                Query(connection, QStringLiteral("SELECT HOST FROM information_schema.PROCESSLIST "
                                                 "WHERE ID = %1")
                                      .arg(holder))
                    .exec();
            const QString host =
                other.rowCount() > 0 ? other.text(0, QStringLiteral("HOST")) : QString();
            throw Error(
                Error::Category::Database,
                QStringLiteral("Uz veikala datu bāzi \"%1\" jau notiek cita sūtīšana%2; gaidīju "
                               "%3 s, līdz tā beigsies. Nekas netika mainīts.")
                    .arg(connection.param(QStringLiteral("Database")),
                         host.isEmpty() ? QString() : QStringLiteral(" (no %1)").arg(host))
                    .arg(waitSeconds));
        }
        waiting(waited);
        connection.pause(1000);
        ++waited;
    }
}

std::unique_ptr<RunLock> RunLock::IfFree(ShopConnection& connection) {
    std::unique_ptr<RunLock> lock(new RunLock(connection));
    int64_t holder = 0;
    return lock->take(&holder) ? std::move(lock) : nullptr;
}

bool RunLock::take(int64_t* holder) {
    // Asked without waiting on the server, so that the link's read timeout never runs out
    // during a wait and the operator sees it.
    const ResultRows answer =
        Query(connection_, QStringLiteral("SELECT GET_LOCK(%1, 0) AS taken, CONNECTION_ID() AS "
                                          "session, IS_USED_LOCK(%1) AS holder")
                               .arg(kName))
            .exec();
    *holder = answer.integer(0, QStringLiteral("holder"));
    if (answer.integer(0, QStringLiteral("taken")) != 1) return false;
    serverSession_ = static_cast<uint64_t>(answer.integer(0, QStringLiteral("session")));
    generation_ = connection_.session().generation();
    return true;
}

void EndStaleSession(ShopConnection& connection, uint64_t session) {
    if (session == 0) return;
    try {
        Query(connection, QStringLiteral("KILL CONNECTION %1").arg(session)).exec();
    } catch (const Error&) {
        // Gone already, or the server cannot be reached: nothing of it is left to run.
    }
}

void RunLock::release(const QString& first) {
    const QString unlock = QStringLiteral("DO RELEASE_LOCK(%1)").arg(kName);
    StatementBatch batch(connection_);
    if (!first.isEmpty()) batch.add(first);
    batch.add(unlock);
    batch.execute();
    generation_ = 0;
}

RunLock::~RunLock() {
    if (!connection_.isOpen() || connection_.session().generation() != generation_) return;
    try {
        Query(connection_, QStringLiteral("DO RELEASE_LOCK(%1)").arg(kName)).exec();
    } catch (const Error&) {
        // The link is gone: so is the lock.
    }
}

}  // namespace wwweksports
