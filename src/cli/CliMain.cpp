#include "cli/CliMain.h"

#include "app/SendLists.h"
#include "cli/CliOperator.h"
#include "cli/CliOptions.h"
#include "operator/Error.h"
#include "settings/SettingsStore.h"
#include "shopdb/ShopChecks.h"
#include "shopdb/ShopConnection.h"
#include "stock/StockBalances.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

const int kExitDone = 0;
const int kExitFailed = 1;
const int kExitInputMissing = 2;
const int kExitNoConnection = 3;

int ExitStatus(RunResult result) {
    switch (result) {
        case RunResult::Done:
            return kExitDone;
        case RunResult::InputMissing:
            return kExitInputMissing;
        case RunResult::ConnectionFailed:
            return kExitNoConnection;
        case RunResult::Failed:
            break;
    }
    return kExitFailed;
}

int ExitStatus(int checkResult) {
    if (checkResult == kInputMissing) return kExitInputMissing;
    if (checkResult == kNoConnection) return kExitNoConnection;
    return checkResult < 0 ? kExitFailed : kExitDone;
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
    try {
        store.restore(inputs);
    } catch (const Error& e) {
        // As in the window: an unreadable store is reported and the run goes on without it.
        err << e.message() << Qt::endl;
    }
    if (!ApplyCliOptions(*options, inputs, error)) {
        err << "wwweksports-cli: " << error << Qt::endl;
        return kExitInputMissing;
    }

    CliOperator op(inputs, out, err);
    ShopConnection connection;
    int status = kExitFailed;
    try {
        switch (options->command) {
            case CliOptions::Command::TestConnection: {
                const int result = TestShopConnection(connection, op);
                if (result > 0) err << QStringLiteral("Connection test passed") << Qt::endl;
                status = ExitStatus(result);
                break;
            }
            case CliOptions::Command::SendStock: {
                WorkbookSource adcExcel;
                status = ExitStatus(UploadStockBalances(connection, adcExcel, op));
                break;
            }
            case CliOptions::Command::SendLists: {
                Workbooks workbooks;
                status = ExitStatus(SendLists(connection, workbooks, op));
                break;
            }
            case CliOptions::Command::None:
            case CliOptions::Command::Help:
                break;
        }
    } catch (const Error& e) {
        err << e.message() << Qt::endl;
        status = kExitFailed;
    } catch (const std::exception& e) {
        err << QString::fromLocal8Bit(e.what()) << Qt::endl;
        status = kExitFailed;
    }
    PrintCounters(connection, err);
    return status;
}

}  // namespace wwweksports
