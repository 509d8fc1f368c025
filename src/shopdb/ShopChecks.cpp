#include "shopdb/ShopChecks.h"

#include "operator/Error.h"
#include "operator/Operator.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {

int CheckInputs(Operator& op) {
    const Inputs in = op.inputs();
    if (in.workbookPath.isEmpty()) {
        op.showMessage(QStringLiteral("Nav ievadīts Excel katalogs !!!"));
        return kInputMissing;
    }
    if (in.user.isEmpty()) {
        op.showMessage(QStringLiteral("Nav ievadīts MySQL lietotāja vārds !!!"));
        return kInputMissing;
    }
    if (in.password.isEmpty()) {
        op.showMessage(QStringLiteral("Nav ievadīts MySQL parole !!!"));
        return kInputMissing;
    }
    return kCheckOk;
}

int TestShopConnection(ShopConnection& connection, Operator& op) {
    int result = kCheckOk;
    try {
        const Inputs in = op.inputs();
        const int colon = static_cast<int>(in.address.indexOf(QLatin1Char(':')));
        if (colon < 0) {
            connection.setParam(QStringLiteral("Server"), in.address);
            // The default port, never one left behind by an earlier test of another address.
            connection.setParam(QStringLiteral("Port"), QString());
        } else {
            connection.setParam(QStringLiteral("Server"), in.address.left(colon));
            connection.setParam(QStringLiteral("Port"), in.address.mid(colon + 1));
        }
        connection.setParam(QStringLiteral("Database"), in.database);
        connection.setParam(QStringLiteral("User_Name"), in.user);
        connection.setParam(QStringLiteral("Password"), in.password);
        // utf8mb4: the 3-byte utf8 session would refuse or garble characters beyond it.
        connection.setParam(QStringLiteral("CharacterSet"), QStringLiteral("utf8mb4"));
        connection.open();
        if (!connection.isOpen()) result = kNoConnection;
        connection.close();
    } catch (const Error& e) {
        op.showMessage(kConnectionFailedMessage + e.message());
        return kNoConnection;
    }
    return result;
}

}  // namespace wwweksports
