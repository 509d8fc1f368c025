#include "app/UploadFrame.h"

#include <iterator>
#include <memory>
#include <utility>

#include "operator/Error.h"
#include "shopdb/Maintenance.h"
#include "shopdb/RunLock.h"
#include "shopdb/ShopConnection.h"
#include "shopdb/TableKeys.h"

namespace wwweksports {
namespace {

const QString kConnectionFailed =
    QStringLiteral("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! ");

// Seconds before each new try of an upload whose link was lost: every upload rewrites what it
// owns, so it runs again from its start on a new session.
const int kRetryPauses[] = {2, 4, 8};

// The tables the uploads fill, whose keys they switch off while they do.
const QStringList kWrittenTables = {"category",
                                    "category_description",
                                    "category_path",
                                    "category_to_store",
                                    "product",
                                    "product_description",
                                    "product_to_category",
                                    "product_to_store",
                                    "product_special",
                                    "seo_url"};

// How long an upload waits for another one on the same shop database.
const int kDefaultLockWaitSeconds = 60;

int LockWaitSeconds(const ShopConnection& connection) {
    bool ok = false;
    const int seconds = connection.param(QStringLiteral("LockWait")).toInt(&ok);
    return ok && seconds >= 0 ? seconds : kDefaultLockWaitSeconds;
}

QString FirstLine(const QString& text) { return text.section(QLatin1Char('\n'), 0, 0); }

Error LinkLostForGood(const Error& last, bool inMaintenance) {
    QString message = QStringLiteral(
                          "Savienojums ar veikala datu bāzi pārtrūka un %1 mēģinājumos netika "
                          "atjaunots: %2")
                          .arg(std::size(kRetryPauses) + 1)
                          .arg(last.message());
    if (inMaintenance)
        message += QStringLiteral(
            "\nVeikals palika apkopes režīmā; nākamā sūtīšana, kas beigsies sekmīgi, to "
            "izslēgs.");
    return Error(Error::Category::Database, message);
}

// The run lock taken on the connection test's session when no other run holds it; nullptr,
// with the session closed, when one does or the asking fails (the run then takes its lock
// as usual, and meets the failure there).
std::unique_ptr<RunLock> TakeFreeLock(ShopConnection& connection) {
    try {
        if (std::unique_ptr<RunLock> lock = RunLock::IfFree(connection)) return lock;
    } catch (const Error&) {
    }
    connection.close();
    return nullptr;
}

}  // namespace

Outcome CheckInputs(Operator& op) {
    const Inputs in = op.inputs();
    const std::pair<const QString*, const char*> required[] = {
        {&in.workbookPath, "Nav ievadīts Excel katalogs !!!"},
        {&in.user, "Nav ievadīts MySQL lietotāja vārds !!!"},
        {&in.password, "Nav ievadīts MySQL parole !!!"},
    };
    for (const auto& [input, message] : required) {
        if (input->isEmpty()) {
            op.showMessage(QString::fromUtf8(message));
            return Outcome::InputMissing;
        }
    }
    return Outcome::Done;
}

Outcome TestShopConnection(ShopConnection& connection, Operator& op, uint64_t* maxPacket,
                           bool keepOpen) {
    const Inputs in = op.inputs();
    const qsizetype colon = in.address.indexOf(QLatin1Char(':'));
    // Without a port the default one, never one left behind by a test of another address.
    connection.setParam(QStringLiteral("Server"), colon < 0 ? in.address : in.address.left(colon));
    connection.setParam(QStringLiteral("Port"), colon < 0 ? QString() : in.address.mid(colon + 1));
    connection.setParam(QStringLiteral("Database"), in.database);
    connection.setParam(QStringLiteral("User_Name"), in.user);
    connection.setParam(QStringLiteral("Password"), in.password);
    // utf8mb4: the 3-byte utf8 session would refuse or garble characters beyond it.
    connection.setParam(QStringLiteral("CharacterSet"), QStringLiteral("utf8mb4"));
    connection.setParam(QStringLiteral("TlsMode"), in.tlsMode);
    connection.setParam(QStringLiteral("TlsCa"), in.tlsCa);
    connection.setParam(QStringLiteral("TlsCert"), in.tlsCert);
    connection.setParam(QStringLiteral("TlsKey"), in.tlsKey);
    QString encryption;
    op.setStatus(QStringLiteral("Pieslēdzos datu bāzei %1 ...").arg(in.address),
                 StatusRefresh::Repaint);
    try {
        connection.open();
        if (maxPacket) *maxPacket = connection.maxAllowedPacket();
        encryption = connection.encryption();
        if (!keepOpen) connection.close();
    } catch (const Error& e) {
        op.showMessage(kConnectionFailed + e.message());
        return Outcome::ConnectionFailed;
    }
    op.reportLink(
        encryption.isEmpty()
            ? QStringLiteral("Savienojums ar %1 nav šifrēts").arg(in.address)
            : QStringLiteral("Savienojums ar %1 ir šifrēts (%2)").arg(in.address, encryption));
    return Outcome::Done;
}

Outcome RunUpload(ShopConnection& connection, Operator& op,
                  const std::function<void(const Inputs&, uint64_t maxPacket)>& read,
                  const std::function<Outcome()>& write) {
    uint64_t maxPacket = 0;
    if (TestShopConnection(connection, op, &maxPacket, true) != Outcome::Done)
        return Outcome::ConnectionFailed;
    // When no other run holds the shop, the lock is taken on the test's session, which the run
    // goes on with: one login fewer, three round trips on the link.
    std::unique_ptr<RunLock> held = TakeFreeLock(connection);
    read(op.inputs(), maxPacket);
    bool inMaintenance = false;
    uint64_t lastSession = 0;  // the server's id of the session that held the lock
    for (size_t retry = 0;;) {
        try {
            std::unique_ptr<RunLock> lock = std::move(held);
            const bool kept = lock != nullptr;
            if (!kept) {
                lock = std::make_unique<RunLock>(
                    connection, LockWaitSeconds(connection), lastSession, [&op](int waited) {
                        op.setStatus(
                            QStringLiteral("Gaidu, kamēr beigsies cita sūtīšana uz šo veikalu "
                                           "(%1 s)")
                                .arg(waited),
                            StatusRefresh::RepaintAndProcessEvents);
                    });
            }
            lastSession = lock->session();
            // Maintenance on, and the look for keys a failed run left off, in one round trip.
            inMaintenance = true;
            try {
                RepairDisabledKeys(connection, kWrittenTables, ShopMaintenanceStatement(1));
            } catch (const Error& e) {
                // The session kept from the connection test may have been ended by the server
                // while the workbooks were read: the run takes a new one, as at first.
                if (!kept || !e.linkLost()) throw;
                connection.close();
                continue;
            }
            const Outcome outcome = write();
            // Maintenance off and the lock released in one round trip.
            lock->release(ShopMaintenanceStatement(0));
            return outcome;
        } catch (const Error& e) {
            // A server that went away, or refuses the new session while it restarts; a login
            // refused is no lost link.
            if (!e.linkLost()) throw;
            if (retry == std::size(kRetryPauses)) {
                connection.close();
                EndStaleSession(connection, lastSession);
                throw LinkLostForGood(e, inMaintenance);
            }
            op.addProcessLine(QStringLiteral("Savienojums ar datu bāzi pārtrūka (%1); sūtīšana "
                                             "sāksies no jauna pēc %2 s, %3. mēģinājums no %4")
                                  .arg(FirstLine(e.message()))
                                  .arg(kRetryPauses[retry])
                                  .arg(retry + 2)
                                  .arg(std::size(kRetryPauses) + 1));
            connection.close();
            connection.pause(kRetryPauses[retry] * 1000);
            ++retry;
        }
    }
}

QString ErrorMessage(const Error& error) {
    if (error.category() == Error::Category::Connection) return kConnectionFailed + error.message();
    return error.message();
}

}  // namespace wwweksports
