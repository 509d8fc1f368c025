// The command line of the headless front end:
//   wwweksports-cli [--address HOST[:PORT]] [--database NAME] [--user NAME]
//                   [--password-env VAR | --password-file FILE] [--workbooks PATH]
//                   [--timeout SECONDS] [--lock-wait SECONDS] [--tls MODE] [--tls-ca FILE]
//                   [--tls-cert FILE] [--tls-key FILE] [--quiet] [--log-file FILE]
//                   [--format text|json] COMMAND
//   COMMAND: send-lists [--products | --no-products] [--specials | --no-specials]
//            send-stock
//            check [--offline] [--products | --no-products] [--specials | --no-specials]
//            test-connection
//   wwweksports-cli --version | --help
// Options override the saved inputs for this run only; the password is only ever taken from
// an environment variable or a file only its owner can read.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "operator/Operator.h"

namespace wwweksports {

struct CliOptions {
    enum class Command { None, SendLists, SendStock, Check, TestConnection, Help, Version };

    Command command = Command::None;
    std::optional<QString> address;
    std::optional<QString> database;
    std::optional<QString> user;
    std::optional<QString> passwordEnv;
    std::optional<QString> passwordFile;
    std::optional<QString> workbooks;
    std::optional<bool> products;
    std::optional<bool> specials;
    std::optional<int> timeoutSeconds;   // a read or write on the link, at least 1
    std::optional<int> lockWaitSeconds;  // for another run on the same shop database, 0 or more
    std::optional<QString> tlsMode;      // a name ParseTlsMode knows
    std::optional<QString> tlsCa;
    std::optional<QString> tlsCert;
    std::optional<QString> tlsKey;
    bool offline = false;  // check: the workbooks only
    bool quiet = false;    // errors and the summary only
    bool json = false;     // --format json: the summary as one JSON object on stdout
    std::optional<QString> logFile;
};

// Parses the arguments after the program name. On a usage error returns nullopt and sets
// `error` to what is wrong.
std::optional<CliOptions> ParseCliOptions(const QStringList& args, QString& error);

// Applies the options to the saved inputs. `--workbooks` takes the workbook directory or a
// file in it. Returns false with `error` set when the password variable is not set, or the
// password file cannot be read or others than its owner may read it.
bool ApplyCliOptions(const CliOptions& options, Inputs& inputs, QString& error);

QString CliUsage();

}  // namespace wwweksports
