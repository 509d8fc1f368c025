// The named server lock that keeps uploads to one shop database apart: two windows, a window
// and a schedule, or two schedules never write at once, and one never switches maintenance
// off under another. The server releases it itself when the session holding it ends.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace wwweksports {

class ShopConnection;

class RunLock {
public:
    // Takes the lock of the connection's database, waiting up to `waitSeconds` for another
    // run to end; `waiting` is called with the seconds waited so far, once a second. A lock
    // still held by `staleSession`, this run's own session from before a lost link, is freed by
    // ending that session. Throws Error(Database) naming the other run's host, when the server
    // tells it, once the time is up.
    RunLock(ShopConnection& connection, int waitSeconds, uint64_t staleSession,
            const std::function<void(int waited)>& waiting);
    // Takes the lock only when no other run holds it; nullptr, holding nothing, when one does.
    static std::unique_ptr<RunLock> IfFree(ShopConnection& connection);
    // Releases the lock when the session that took it is still open.
    ~RunLock();
    // Releases the lock now, after `first` (when given) in the same round trip. Database
    // errors raise Error(Database); the lock then stays for the destructor.
    void release(const QString& first = QString());
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    uint64_t session() const { return serverSession_; }  // the server's id of the holder

private:
    explicit RunLock(ShopConnection& connection) : connection_(connection) {}
    // One try; the holder's session id, or 0, goes to `holder`.
    bool take(int64_t* holder);

    ShopConnection& connection_;
    uint64_t generation_ = 0;  // the session generation that holds the lock
    uint64_t serverSession_ = 0;
};

// Ends the server's session `session` (0: none), best effort: a session of a run whose link
// was lost may still be waiting on the server to run a statement it was sent.
void EndStaleSession(ShopConnection& connection, uint64_t session);

}  // namespace wwweksports
