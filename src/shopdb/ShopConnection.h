// The connection to the shop's MySQL/MariaDB database. Its parameters are a name=value list
// ("Server", "Port", "Database", "User_Name", "Password", "CharacterSet", "Timeout": the
// seconds a read or write on the link may wait, 300 when absent, and the link's security:
// "TlsMode", "TlsCa", "TlsCert", "TlsKey", see shopdb/LinkSecurity.h); an empty value removes a
// parameter. The first statement after a close opens it again on demand, and every
// session is set up the way the shop's own driver sets it up. Every statement commits on its
// own: no transaction is ever opened. The connection counts what it sends.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace wwweksports {

class ShopConnection {
public:
    struct Counters {
        uint64_t statements = 0;  // statements the server ran for the uploads (not session set-up)
        uint64_t roundTrips = 0;  // requests sent and waited on, connecting included
        uint64_t connects = 0;
    };

    ShopConnection();
    ~ShopConnection();
    ShopConnection(const ShopConnection&) = delete;
    ShopConnection& operator=(const ShopConnection&) = delete;

    // An empty value removes the parameter.
    void setParam(const QString& name, const QString& value);
    // A second link to the same shop: `other`'s parameters and wait hook; what this one
    // sends is added to `other`'s counters when it goes.
    void followParams(ShopConnection& other);
    bool hasParam(const QString& name) const;
    QString param(const QString& name) const;

    // Throws Error(Connection) with the client library's error text.
    void open();
    void close();
    bool isOpen() const;

    // The server's max_allowed_packet, read once per session.
    uint64_t maxAllowedPacket();
    // How the open session is encrypted ("TLSv1.3, TLS_AES_256_GCM_SHA384"); empty when it is
    // plain or closed.
    QString encryption() const;

    Counters counters() const;

    // Runs `hook` every few tens of milliseconds while the tool waits on the server (the
    // window repaints in it).
    void setWaitHook(std::function<void()> hook);

    // Waits `milliseconds`, running the wait hook meanwhile.
    void pause(int milliseconds);
    // Runs the wait hook once, for a caller that waits on something else.
    void runWaitHook();

    // The link the statement classes of shopdb/ run on (shopdb/Session.h).
    class Session;
    Session& session();

private:
    std::unique_ptr<Session> d_;
    ShopConnection* countsInto_ = nullptr;
};

}  // namespace wwweksports
