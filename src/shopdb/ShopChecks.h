// The checks every upload makes before it writes to the shop: the operator's required inputs,
// and a connection test with the connection parameters taken from the inputs as they are now.
// Both return 1 to go on or a negative code to stop, after showing their own message.
#pragma once

#include <QString>

namespace wwweksports {

class Operator;
class ShopConnection;

inline constexpr int kCheckOk = 1;
inline constexpr int kInputMissing = -5;
inline constexpr int kNoConnection = -1;

// Workbook location, user name, password, in that order; the first empty one is reported.
int CheckInputs(Operator& op);

// Sets the connection parameters from the inputs, opens the connection and closes it again.
int TestShopConnection(ShopConnection& connection, Operator& op);

// The message shown when the connection test fails, before the client library's own text.
inline const QString kConnectionFailedMessage =
    QStringLiteral("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! ");

}  // namespace wwweksports
