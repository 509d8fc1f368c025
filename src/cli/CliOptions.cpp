#include "cli/CliOptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "shopdb/LinkSecurity.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

// The password is the file's first line. A file that others than its owner may read is
// refused: the password would not be the owner's secret.
bool ReadPasswordFile(const QString& path, QString& password, QString& error) {
    QFile file(path);
#ifndef _WIN32
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (file.exists() && (file.permissions() & others)) {
        error = QStringLiteral(
                    "paroles failu %1 var lasīt arī citi, ne tikai tā īpašnieks: "
                    "atļaujiet lasīt tikai īpašniekam (chmod 600 %1)")
                    .arg(path);
        return false;
    }
#endif
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("paroles failu %1 nevar nolasīt: %2").arg(path, file.errorString());
        return false;
    }
    QString text = QString::fromUtf8(file.readLine());
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) text.chop(1);
    password = text;
    return true;
}

}  // namespace

std::optional<CliOptions> ParseCliOptions(const QStringList& args, QString& error) {
    CliOptions options;
    for (int i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        std::optional<QString> inlineValue;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            const int eq = static_cast<int>(arg.indexOf(QLatin1Char('=')));
            inlineValue = arg.mid(eq + 1);
            arg = arg.left(eq);
        }
        auto takeValue = [&](std::optional<QString>& target) {
            if (inlineValue) {
                target = *inlineValue;
            } else if (i + 1 < args.size()) {
                target = args[++i];
            } else {
                error = QStringLiteral("%1 vajag vērtību").arg(arg);
                return false;
            }
            return true;
        };
        auto flag = [&](std::optional<bool>& target, bool value) {
            if (inlineValue) {
                error = QStringLiteral("%1 neņem vērtību").arg(arg);
                return false;
            }
            if (options.command != CliOptions::Command::SendLists &&
                options.command != CliOptions::Command::Check) {
                error = QStringLiteral("%1 attiecas uz send-lists un check").arg(arg);
                return false;
            }
            target = value;
            return true;
        };

        auto seconds = [&](std::optional<int>& target, int least) {
            std::optional<QString> text;
            if (!takeValue(text)) return false;
            bool number = false;
            const int value = text->toInt(&number);
            if (!number || value < least) {
                error = QStringLiteral("%1 vajag veselu sekunžu skaitu, vismaz %2: %3")
                            .arg(arg)
                            .arg(least)
                            .arg(*text);
                return false;
            }
            target = value;
            return true;
        };

        bool ok = true;
        if (arg == QLatin1String("--timeout")) {
            ok = seconds(options.timeoutSeconds, 1);
        } else if (arg == QLatin1String("--lock-wait")) {
            ok = seconds(options.lockWaitSeconds, 0);
        } else if (arg == QLatin1String("--tls")) {
            ok = takeValue(options.tlsMode);
            if (ok && (options.tlsMode->isEmpty() || !ParseTlsMode(*options.tlsMode))) {
                error = QStringLiteral("--tls vajag vienu no %1: %2")
                            .arg(TlsModeNames().join(QStringLiteral(", ")), *options.tlsMode);
                ok = false;
            }
        } else if (arg == QLatin1String("--tls-ca")) {
            ok = takeValue(options.tlsCa);
        } else if (arg == QLatin1String("--tls-cert")) {
            ok = takeValue(options.tlsCert);
        } else if (arg == QLatin1String("--tls-key")) {
            ok = takeValue(options.tlsKey);
        } else if (arg == QLatin1String("--address")) {
            ok = takeValue(options.address);
        } else if (arg == QLatin1String("--database")) {
            ok = takeValue(options.database);
        } else if (arg == QLatin1String("--user")) {
            ok = takeValue(options.user);
        } else if (arg == QLatin1String("--password-env")) {
            ok = takeValue(options.passwordEnv);
        } else if (arg == QLatin1String("--password-file")) {
            ok = takeValue(options.passwordFile);
        } else if (arg == QLatin1String("--workbooks")) {
            ok = takeValue(options.workbooks);
        } else if (arg == QLatin1String("--log-file")) {
            ok = takeValue(options.logFile);
        } else if (arg == QLatin1String("--format")) {
            std::optional<QString> format;
            ok = takeValue(format);
            if (ok && *format != QLatin1String("text") && *format != QLatin1String("json")) {
                error = QStringLiteral("--format vajag text vai json: %1").arg(*format);
                ok = false;
            }
            options.json = ok && *format == QLatin1String("json");
        } else if (arg == QLatin1String("--quiet") || arg == QLatin1String("-q")) {
            options.quiet = true;
        } else if (arg == QLatin1String("--offline")) {
            options.offline = true;
            if (options.command != CliOptions::Command::Check) {
                error = QStringLiteral("--offline attiecas uz check");
                ok = false;
            }
        } else if (arg == QLatin1String("--version")) {
            options.command = CliOptions::Command::Version;
            return options;
        } else if (arg == QLatin1String("--products")) {
            ok = flag(options.products, true);
        } else if (arg == QLatin1String("--no-products")) {
            ok = flag(options.products, false);
        } else if (arg == QLatin1String("--specials")) {
            ok = flag(options.specials, true);
        } else if (arg == QLatin1String("--no-specials")) {
            ok = flag(options.specials, false);
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.command = CliOptions::Command::Help;
            return options;
        } else if (arg == QLatin1String("--password")) {
            error =
                QStringLiteral("paroli komandrindā nepieņem: lietojiet --password-env MAINĪGAIS");
            ok = false;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            error = QStringLiteral("nezināms parametrs %1").arg(arg);
            ok = false;
        } else if (options.command != CliOptions::Command::None) {
            error = QStringLiteral("lieks arguments %1").arg(arg);
            ok = false;
        } else if (arg == QLatin1String("send-lists")) {
            options.command = CliOptions::Command::SendLists;
        } else if (arg == QLatin1String("send-stock")) {
            options.command = CliOptions::Command::SendStock;
        } else if (arg == QLatin1String("check")) {
            options.command = CliOptions::Command::Check;
        } else if (arg == QLatin1String("test-connection")) {
            options.command = CliOptions::Command::TestConnection;
        } else {
            error = QStringLiteral("nezināma komanda %1").arg(arg);
            ok = false;
        }
        if (!ok) return std::nullopt;
    }
    if (options.command == CliOptions::Command::None) {
        error = QStringLiteral("nav dota komanda");
        return std::nullopt;
    }
    if (options.passwordEnv && options.passwordFile) {
        error = QStringLiteral("paroli ņem vai no --password-env, vai no --password-file");
        return std::nullopt;
    }
    return options;
}

bool ApplyCliOptions(const CliOptions& options, Inputs& inputs, QString& error) {
    if (options.address) inputs.address = *options.address;
    if (options.database) inputs.database = *options.database;
    if (options.user) inputs.user = *options.user;
    if (options.passwordEnv) {
        const QByteArray name = options.passwordEnv->toLocal8Bit();
        if (!qEnvironmentVariableIsSet(name.constData())) {
            error = QStringLiteral("vides mainīgais %1 nav iestatīts").arg(*options.passwordEnv);
            return false;
        }
        inputs.password = qEnvironmentVariable(name.constData());
    }
    if (options.passwordFile && !ReadPasswordFile(*options.passwordFile, inputs.password, error))
        return false;
    if (options.workbooks) {
        // The workbooks are found in the directory of a file path: a directory given here
        // stands for a file in it.
        inputs.workbookPath = QFileInfo(*options.workbooks).isDir()
                                  ? QDir(*options.workbooks).filePath(kProductsWorkbook)
                                  : *options.workbooks;
    }
    if (options.products) inputs.products = *options.products;
    if (options.specials) inputs.specials = *options.specials;
    if (options.tlsMode) inputs.tlsMode = options.tlsMode->toLower();
    if (options.tlsCa) inputs.tlsCa = *options.tlsCa;
    if (options.tlsCert) inputs.tlsCert = *options.tlsCert;
    if (options.tlsKey) inputs.tlsKey = *options.tlsKey;
    return true;
}

QString CliUsage() {
    return QStringLiteral(
        "Usage: wwweksports-cli [--address HOST[:PORT]] [--database NAME] [--user NAME]\n"
        "                       [--password-env VAR | --password-file FILE] [--workbooks PATH]\n"
        "                       [--timeout SECONDS] [--lock-wait SECONDS]\n"
        "                       [--tls MODE] [--tls-ca FILE] [--tls-cert FILE] [--tls-key FILE]\n"
        "                       [--quiet] [--log-file FILE] [--format text|json] COMMAND\n"
        "       wwweksports-cli --version | --help\n"
        "Commands:\n"
        "  send-lists [--products | --no-products] [--specials | --no-specials]\n"
        "             publish groups and products and/or special prices\n"
        "  send-stock       set every product's stock quantity from Preces_web.xlsx\n"
        "  check [--offline] [--products | --no-products] [--specials | --no-specials]\n"
        "             read and check the workbooks as the uploads would, then show what\n"
        "             send-lists and send-stock would change in the shop, reading only;\n"
        "             --offline: the workbooks only, no connection\n"
        "  test-connection  try the shop database connection\n"
        "Defaults are the inputs saved by the window; options apply to this run only.\n"
        "--workbooks takes the folder of Grupas_web.xlsx and Preces_web.xlsx, or a file in it.\n"
        "--password-env names the environment variable that holds the database password;\n"
        "--password-file a file whose first line is the password, which only its owner may\n"
        "  read (chmod 600).\n"
        "--timeout: seconds the shop database may stay silent before the link counts as lost\n"
        "  (default 300); a lost link is tried again 3 times, after 2, 4 and 8 seconds.\n"
        "--lock-wait: seconds to wait for another upload to the same shop database (default 60).\n"
        "--tls: how the link to the shop database is protected, as the MySQL clients say it:\n"
        "  disabled         never encrypted\n"
        "  preferred        encrypted when the server offers it (the default)\n"
        "  required         encrypted, or no connection; the certificate is not checked\n"
        "  verify-ca        encrypted, and the server's certificate must chain to the CA\n"
        "                   file of --tls-ca, or to the system's CA store without it\n"
        "  verify-identity  as verify-ca, and the certificate must name the host of --address\n"
        "--tls-cert, --tls-key: a client certificate and its key (PEM), for servers that ask.\n"
        "  Example, a hosted database: --address db.example.com:3306 --tls verify-identity\n"
        "Whether the link is encrypted, and with what, is printed on stderr after connecting.\n"
        "--quiet: only errors and the summary of changes.\n"
        "--log-file: every log and status line is appended to FILE with its date and time.\n"
        "--format json: the summary as one JSON object on stdout (log lines go to stderr).\n"
        "Progress updates one line on a terminal; elsewhere it is written at most every 5\n"
        "seconds or 10%, with the time.\n"
        "Exit status: 0 done (check: the workbooks can be published); 1 a workbook is refused\n"
        "or another error; 2 a usage error or a required input is missing; 3 the shop database\n"
        "could not be reached.\n");
}

}  // namespace wwweksports
