// Inside shopdb/ only: a connection's security mode applied to a session of the client
// library before it connects, and its outcome checked after.
#pragma once

#include <mysql.h>

#include <QMap>
#include <QString>
#include <string>

#include "shopdb/LinkSecurity.h"

namespace wwweksports {

class LinkSecurity {
public:
    // From the connection's parameters "TlsMode", "TlsCa", "TlsCert", "TlsKey" and "Server".
    // Raises Error(Connection) for an unknown mode.
    explicit LinkSecurity(const QMap<QString, QString>& params);

    // Sets the options; raises Error(Connection) when a file named cannot be read, or no CA
    // store is there to verify with.
    void apply(MYSQL* m);
    // After connecting: raises Error(Connection) when the mode needs TLS and the link has none.
    void check(MYSQL* m) const;
    // A failed connection's message when the link's security is the cause; empty otherwise.
    QString explain(unsigned int number, const QString& text) const;
    // What to add to the server's refusal of a login when the mode may be its cause.
    QString hint(unsigned int number) const;

    // "TLSv1.3, TLS_AES_256_GCM_SHA384" for an encrypted link, empty for a plain one.
    static QString description(MYSQL* m);

private:
    QString failure(const QString& what) const;
    std::string readableFile(const QString& path, const QString& role) const;

    TlsMode mode_ = TlsMode::Preferred;
    QString host_, ca_, cert_, key_;
    QString caUsed_;  // the CA file given, or the system's store found
};

}  // namespace wwweksports
