#include "app/UploadFrame.h"

#include <utility>

#include "operator/Error.h"
#include "shopdb/Maintenance.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {
namespace {

const QString kConnectionFailed =
    QStringLiteral("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! ");

}  // namespace

Outcome CheckInputs(Operator& op) {
    const Inputs in = op.inputs();
    const std::pair<const QString*, const char*> required[] = {
        {&in.workbookPath, "Nav ievadīts Excel katalogs !!!"},
        {&in.user, "Nav ievadīts MySQL lietotāja vārds !!!"},
        {&in.password, "Nav ievadīts MySQL parole !!!"},
    };
    for (const auto& [input, message] : required) {
        if (input->isEmpty()) {
            op.showMessage(QString::fromUtf8(message));
            return Outcome::InputMissing;
        }
    }
    return Outcome::Done;
}

Outcome TestShopConnection(ShopConnection& connection, Operator& op) {
    const Inputs in = op.inputs();
    const qsizetype colon = in.address.indexOf(QLatin1Char(':'));
    // Without a port the default one, never one left behind by a test of another address.
    connection.setParam(QStringLiteral("Server"), colon < 0 ? in.address : in.address.left(colon));
    connection.setParam(QStringLiteral("Port"), colon < 0 ? QString() : in.address.mid(colon + 1));
    connection.setParam(QStringLiteral("Database"), in.database);
    connection.setParam(QStringLiteral("User_Name"), in.user);
    connection.setParam(QStringLiteral("Password"), in.password);
    // utf8mb4: the 3-byte utf8 session would refuse or garble characters beyond it.
    connection.setParam(QStringLiteral("CharacterSet"), QStringLiteral("utf8mb4"));
    try {
        connection.open();
        connection.close();
    } catch (const Error& e) {
        op.showMessage(kConnectionFailed + e.message());
        return Outcome::ConnectionFailed;
    }
    return Outcome::Done;
}

Outcome RunUpload(ShopConnection& connection, Operator& op,
                  const std::function<void(const Inputs&)>& read,
                  const std::function<Outcome()>& write) {
    if (TestShopConnection(connection, op) != Outcome::Done) return Outcome::ConnectionFailed;
    read(op.inputs());
    SetShopMaintenance(connection, 1);
    const Outcome outcome = write();
    SetShopMaintenance(connection, 0);
    return outcome;
}

QString ErrorMessage(const Error& error) {
    if (error.category() == Error::Category::Connection) return kConnectionFailed + error.message();
    return error.message();
}

}  // namespace wwweksports
