// How the link to the shop database is protected. The modes are those of the MySQL and
// MariaDB command-line clients:
//   disabled         never TLS
//   preferred        TLS when the server offers it, else plain (the default)
//   required         TLS or no connection; the server's certificate is not checked
//   verify-ca        TLS, and the server's certificate must chain to the CA file given, or to
//                    the system's CA store without one
//   verify-identity  as verify-ca, and the certificate must name the host connected to
// A client certificate and key go to servers that ask for one. Everything is done by the
// client library's own TLS options.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace wwweksports {

enum class TlsMode { Disabled, Preferred, Required, VerifyCa, VerifyIdentity };

// The mode a name stands for; an empty name is `preferred`.
std::optional<TlsMode> ParseTlsMode(const QString& name);
QString TlsModeName(TlsMode mode);
// Every mode's name, weakest first.
QStringList TlsModeNames();

}  // namespace wwweksports
