#include "cli/CliMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/ShopCheck.h"
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

QString CommandName(CliOptions::Command command) {
    switch (command) {
        case CliOptions::Command::SendLists:
            return QStringLiteral("send-lists");
        case CliOptions::Command::SendStock:
            return QStringLiteral("send-stock");
        case CliOptions::Command::Check:
            return QStringLiteral("check");
        case CliOptions::Command::TestConnection:
            return QStringLiteral("test-connection");
        default:
            break;
    }
    return QString();
}

// The run as one JSON object: the command, its exit status, the error that ended it, and
// the changes it found (check) or made (uploads).
void PrintJson(const CliOptions& options, int status, const QString& error, const CliOperator& op,
               QTextStream& out) {
    QJsonObject object{{QStringLiteral("command"), CommandName(options.command)},
                       {QStringLiteral("status"), status}};
    if (options.command == CliOptions::Command::Check) {
        object.insert(QStringLiteral("offline"), options.offline);
        object.insert(QStringLiteral("publishable"), status == kExitDone);
    }
    object.insert(QStringLiteral("error"), error.isEmpty() ? QJsonValue() : QJsonValue(error));
    object.insert(QStringLiteral("changes"),
                  op.changes() ? QJsonValue(ChangeJson(*op.changes())) : QJsonValue());
    out << QJsonDocument(object).toJson(QJsonDocument::Compact) << Qt::endl;
}

}  // namespace

int RunCli(const QStringList& args, const SettingsStore& store, QTextStream& out, QTextStream& err,
           bool stderrIsTerminal) {
    QString error;
    const std::optional<CliOptions> options = ParseCliOptions(args, error);
    if (!options) {
        err << "wwweksports-cli: " << error << Qt::endl << CliUsage();
        return kExitInputMissing;
    }
    if (options->command == CliOptions::Command::Help) {
        out << CliUsage();
        return kExitDone;
    }
    if (options->command == CliOptions::Command::Version) {
        out << QStringLiteral("wwweksports-cli %1").arg(QStringLiteral(WWWEKSPORTS_VERSION))
            << Qt::endl;
        return kExitDone;
    }
    QFile logFile;
    if (options->logFile) {
        logFile.setFileName(*options->logFile);
        // A schedule's first run finds the log's folder made.
        QDir().mkpath(QFileInfo(logFile).absolutePath());
        if (!logFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
            err << "wwweksports-cli: "
                << QStringLiteral("žurnāla failu %1 nevar atvērt: %2")
                       .arg(*options->logFile, logFile.errorString())
                << Qt::endl;
            return kExitInputMissing;
        }
    }

    Inputs inputs;
    // As in the window: what is wrong with the store is reported and the run goes on.
    for (const QString& report : store.restore(inputs))
        err << "wwweksports-cli: " << report << Qt::endl;
    if (!ApplyCliOptions(*options, inputs, error)) {
        err << "wwweksports-cli: " << error << Qt::endl;
        return kExitInputMissing;
    }

    CliOutput output;
    output.quiet = options->quiet;
    output.json = options->json;
    output.terminal = stderrIsTerminal;
    if (logFile.isOpen()) output.log = &logFile;
    CliOperator op(inputs, out, err, output);
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
            case CliOptions::Command::Check:
                status = ExitStatus(CheckBeforeSending(connection, op, options->offline));
                break;
            case CliOptions::Command::None:
            case CliOptions::Command::Help:
            case CliOptions::Command::Version:
                break;
        }
    } catch (const Error& e) {
        error = ErrorMessage(e);
        op.writeError(error);
        status = ExitStatus(e.category());
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
        op.writeError(error);
        status = kExitFailed;
    }
    if (!options->quiet) PrintCounters(connection, err);
    if (options->json) PrintJson(*options, status, error, op, out);
    return status;
}

}  // namespace wwweksports
