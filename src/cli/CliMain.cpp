#include "cli/CliMain.h"

#include "app/UploadFrame.h"
#include "app/Uploads.h"
#include "cli/CliOperator.h"
#include "cli/CliOptions.h"
#include "operator/Error.h"
#include "settings/SettingsStore.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {
namespace {

const int kExitDone = 0;
const int kExitFailed = 1;
const int kExitInputMissing = 2;
const int kExitNoConnection = 3;

// The exit status of a run that ended with `outcome`.
int ExitStatus(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done:
            return kExitDone;
        case Outcome::InputMissing:
            return kExitInputMissing;
        case Outcome::ConnectionFailed:
            return kExitNoConnection;
        case Outcome::ShownErrors:
            break;
    }
    return kExitFailed;
}

// The exit status of a run that an error of `category` ended.
int ExitStatus(Error::Category category) {
    switch (category) {
        case Error::Category::Input:
            return kExitInputMissing;
        case Error::Category::Connection:
            return kExitNoConnection;
        case Error::Category::Workbook:
        case Error::Category::Database:
            break;
    }
    return kExitFailed;
}

void PrintCounters(const ShopConnection& connection, QTextStream& err) {
    const ShopConnection::Counters c = connection.counters();
    if (c.connects == 0) return;
    err << QStringLiteral("Shop database: %1 statements, %2 round trips, %3 connections")
               .arg(c.statements)
               .arg(c.roundTrips)
               .arg(c.connects)
        << Qt::endl;
}

}  // namespace

int RunCli(const QStringList& args, const SettingsStore& store, QTextStream& out,
           QTextStream& err) {
    QString error;
    const std::optional<CliOptions> options = ParseCliOptions(args, error);
    if (!options) {
        err << "wwweksports-cli: " << error << Qt::endl << CliUsage();
        return kExitFailed;
    }
    if (options->command == CliOptions::Command::Help) {
        out << CliUsage();
        return kExitDone;
    }

    Inputs inputs;
    // As in the window: what is wrong with the store is reported and the run goes on.
    for (const QString& report : store.restore(inputs))
        err << "wwweksports-cli: " << report << Qt::endl;
    if (!ApplyCliOptions(*options, inputs, error)) {
        err << "wwweksports-cli: " << error << Qt::endl;
        return kExitInputMissing;
    }

    CliOperator op(inputs, out, err);
    ShopConnection connection;
    if (options->timeoutSeconds)
        connection.setParam(QStringLiteral("Timeout"), QString::number(*options->timeoutSeconds));
    if (options->lockWaitSeconds)
        connection.setParam(QStringLiteral("LockWait"), QString::number(*options->lockWaitSeconds));
    int status = kExitFailed;
    try {
        switch (options->command) {
            case CliOptions::Command::TestConnection: {
                const Outcome outcome = TestShopConnection(connection, op);
                if (outcome == Outcome::Done)
                    err << QStringLiteral("Savienojuma pārbaude izdevās") << Qt::endl;
                status = ExitStatus(outcome);
                break;
            }
            case CliOptions::Command::SendStock:
                status = ExitStatus(UploadStockBalances(connection, op));
                break;
            case CliOptions::Command::SendLists:
                status = ExitStatus(SendLists(connection, op));
                break;
            case CliOptions::Command::None:
            case CliOptions::Command::Help:
                break;
        }
    } catch (const Error& e) {
        err << ErrorMessage(e) << Qt::endl;
        status = ExitStatus(e.category());
    } catch (const std::exception& e) {
        err << QString::fromLocal8Bit(e.what()) << Qt::endl;
        status = kExitFailed;
    }
    PrintCounters(connection, err);
    return status;
}

}  // namespace wwweksports
