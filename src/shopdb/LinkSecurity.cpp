#include "shopdb/LinkSecurity.h"

#include <errmsg.h>

#include <QFile>
#include <QFileInfo>
#include <array>

#include "operator/Error.h"
#include "shopdb/LinkSecurityOptions.h"

namespace wwweksports {
namespace {

const std::array<QString, 5> kModeNames = {QStringLiteral("disabled"), QStringLiteral("preferred"),
                                           QStringLiteral("required"), QStringLiteral("verify-ca"),
                                           QStringLiteral("verify-identity")};

// Where the systems this tool runs on keep their authorities as one PEM file.
const char* const kSystemCaStores[] = {
    "/etc/ssl/certs/ca-certificates.crt",                 // Debian, Ubuntu
    "/etc/pki/tls/certs/ca-bundle.crt",                   // Fedora, RHEL
    "/etc/pki/ca-trust/extracted/pem/tls-ca-bundle.pem",  // RHEL 7 and later
    "/etc/ssl/ca-bundle.pem",                             // openSUSE
    "/etc/ssl/cert.pem",                                  // Alpine, macOS, BSD
};

// The login methods that never hand the password over as it is: the only ones tried when
// the link is to be encrypted, so that a server that turns out to offer no TLS learns nothing
// it could log in with before the tool hangs up.
const char kSafeLogins[] =
    "mysql_native_password,client_ed25519,caching_sha2_password,sha256_password,"
    "auth_gssapi_client";

// Server errors that a login refused for lack of TLS comes with: MariaDB's plain "access
// denied" and MySQL's ER_SECURE_TRANSPORT_REQUIRED.
const unsigned int kAccessDenied = 1045;
const unsigned int kSecureTransportRequired = 3159;

}  // namespace

std::optional<TlsMode> ParseTlsMode(const QString& name) {
    if (name.isEmpty()) return TlsMode::Preferred;
    for (size_t i = 0; i < kModeNames.size(); ++i) {
        if (name.compare(kModeNames[i], Qt::CaseInsensitive) == 0) return TlsMode(i);
    }
    return std::nullopt;
}

QString TlsModeName(TlsMode mode) { return kModeNames[static_cast<size_t>(mode)]; }

QStringList TlsModeNames() { return QStringList(kModeNames.begin(), kModeNames.end()); }

// --- applied to a session -----------------------------------------------------------------------

LinkSecurity::LinkSecurity(const QMap<QString, QString>& params) {
    host_ = params.value(QStringLiteral("Server"), QStringLiteral("localhost"));
    const QString name = params.value(QStringLiteral("TlsMode"));
    const std::optional<TlsMode> mode = ParseTlsMode(name);
    if (!mode) {
        throw Error(Error::Category::Connection,
                    QStringLiteral("Nezināms savienojuma drošības veids \"%1\" datu bāzei %2; "
                                   "veidi ir %3")
                        .arg(name, host_, TlsModeNames().join(QStringLiteral(", "))));
    }
    mode_ = *mode;
    ca_ = params.value(QStringLiteral("TlsCa"));
    cert_ = params.value(QStringLiteral("TlsCert"));
    key_ = params.value(QStringLiteral("TlsKey"));
}

QString LinkSecurity::failure(const QString& what) const {
    return QStringLiteral("Savienojuma drošība %1 ar %2: %3").arg(TlsModeName(mode_), host_, what);
}

std::string LinkSecurity::readableFile(const QString& path, const QString& role) const {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        const QString reason =
            QFileInfo(path).isDir() ? QStringLiteral("tā ir mape") : file.errorString();
        throw Error(Error::Category::Connection,
                    failure(QStringLiteral("%1 %2 nevar nolasīt (%3)").arg(role, path, reason)));
    }
    return QFile::encodeName(path).toStdString();
}

void LinkSecurity::apply(MYSQL* m) {
    if (mode_ == TlsMode::Disabled) return;
    const my_bool on = 1;
    // The library tries TLS when the server offers it; stricter modes check the outcome.
    mysql_options(m, MYSQL_OPT_SSL_ENFORCE, &on);
    if (!cert_.isEmpty())
        mysql_options(m, MYSQL_OPT_SSL_CERT,
                      readableFile(cert_, QStringLiteral("klienta sertifikāta failu")).c_str());
    if (!key_.isEmpty())
        mysql_options(m, MYSQL_OPT_SSL_KEY,
                      readableFile(key_, QStringLiteral("klienta atslēgas failu")).c_str());
    if (mode_ == TlsMode::Preferred) return;
    mysql_optionsv(m, MARIADB_OPT_RESTRICTED_AUTH, kSafeLogins);
    if (mode_ == TlsMode::Required) return;
    // A CA file makes the library check the chain; the host's name is checked on top of it
    // only when asked to.
    const my_bool verifyName = mode_ == TlsMode::VerifyIdentity;
#ifdef Q_OS_WIN
    // Windows' own TLS checks the chain against the system's store when no CA file is given,
    // and only together with the host's name.
    if (ca_.isEmpty()) {
        mysql_options(m, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &on);
        return;
    }
#endif
    if (ca_.isEmpty()) {
        for (const char* store : kSystemCaStores) {
            if (QFileInfo(QString::fromLatin1(store)).isReadable()) {
                caUsed_ = QString::fromLatin1(store);
                break;
            }
        }
        if (caUsed_.isEmpty()) {
            throw Error(Error::Category::Connection,
                        failure(QStringLiteral("CA fails nav norādīts, un sistēmas CA krātuve "
                                               "nav atrasta")));
        }
    } else {
        caUsed_ = ca_;
    }
    mysql_options(m, MYSQL_OPT_SSL_CA, readableFile(caUsed_, QStringLiteral("CA failu")).c_str());
    mysql_options(m, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verifyName);
}

void LinkSecurity::check(MYSQL* m) const {
    if (mode_ == TlsMode::Disabled || mode_ == TlsMode::Preferred || !description(m).isEmpty())
        return;
    throw Error(Error::Category::Connection,
                failure(QStringLiteral("serveris nepiedāvā TLS, savienojums nebūtu šifrēts")));
}

QString LinkSecurity::explain(unsigned int number, const QString& text) const {
    if (mode_ == TlsMode::Disabled || number != CR_SSL_CONNECTION_ERROR) return {};
    if (text.contains(QLatin1String("does not support"))) {
        return failure(
            QStringLiteral("serveris nepiedāvā TLS, savienojums nebūtu šifrēts (%1)").arg(text));
    }
    if (text.contains(QLatin1String("Validation of SSL server certificate")) ||
        text.contains(QLatin1String("ostname"))) {
        return failure(
            QStringLiteral("servera sertifikātā nav nosaukta adrese %1 (%2)").arg(host_, text));
    }
    if (text.contains(QLatin1String("self-signed")) || text.contains(QLatin1String("issuer")) ||
        text.contains(QLatin1String("verify failed")) ||
        text.contains(QLatin1String("unable to verify"))) {
        const QString authority = !ca_.isEmpty() ? QStringLiteral("CA fails %1").arg(ca_)
                                  : caUsed_.isEmpty()
                                      ? QStringLiteral("sistēmas CA krātuve")
                                      : QStringLiteral("sistēmas CA krātuve (%1)").arg(caUsed_);
        return failure(
            QStringLiteral("servera sertifikātu neapliecina %1 (%2)").arg(authority, text));
    }
    return failure(QStringLiteral("šifrētu savienojumu neizdevās izveidot (%1)").arg(text));
}

QString LinkSecurity::hint(unsigned int number) const {
    if (mode_ != TlsMode::Disabled ||
        (number != kAccessDenied && number != kSecureTransportRequired))
        return {};
    return QStringLiteral(
        "; savienojuma drošība ir disabled, bet serveris, kas pieņem tikai "
        "šifrētus savienojumus, tādu pieslēgšanos atraida");
}

QString LinkSecurity::description(MYSQL* m) {
    const char* cipher = nullptr;
    const char* version = nullptr;
    mariadb_get_infov(m, MARIADB_CONNECTION_SSL_CIPHER, &cipher);
    if (!cipher || !*cipher) return {};
    mariadb_get_infov(m, MARIADB_CONNECTION_TLS_VERSION, &version);
    return QStringLiteral("%1, %2").arg(QString::fromLatin1(version ? version : "TLS"),
                                        QString::fromLatin1(cipher));
}

}  // namespace wwweksports
