// The frame every upload runs in, and the checks before it: the operator's required inputs,
// a connection test with the connection fields as they are now, then the upload's own
// reading of its workbooks, whole and checked, before the shop is touched; then the shop in
// maintenance while the upload writes. The operator's texts of these steps live here.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "operator/Operator.h"
#include "operator/Outcome.h"

namespace wwweksports {

class Error;
class ShopConnection;

// Workbook location, user name, password, in that order: the first empty one is shown and
// gives InputMissing. Blanks are not empty; address and database are not required.
Outcome CheckInputs(Operator& op);

// Sets the connection's parameters from the inputs, opens the connection (reading the server's
// max_allowed_packet into `maxPacket` when given) and, unless `keepOpen`, closes it again. A
// failure is shown with the client library's text and gives ConnectionFailed.
Outcome TestShopConnection(ShopConnection& connection, Operator& op, uint64_t* maxPacket = nullptr,
                           bool keepOpen = false);

// Runs one upload: the connection test; `read`, which reads and checks the workbooks whole
// (and that every row fits into one packet of `maxPacket` bytes); the run lock of the shop
// database (see RunLock; the connection's "LockWait" parameter gives the seconds to wait,
// 60 when absent); the shop into maintenance; `write`; the shop out of maintenance. An Error
// from `read` leaves the shop untouched; one from `write` ends the upload there, the shop
// staying in maintenance until an upload ends normally. When the link is lost, the lock,
// maintenance and `write` run again on a new session after 2, 4 and 8 s, each try logged.
//
// When no other run holds the lock, it is taken at once on the test's session, which stays
// open for the run while the workbooks are read; a run that waits for another reads them
// with no session open. A kept session the server ended meanwhile is replaced quietly.
Outcome RunUpload(ShopConnection& connection, Operator& op,
                  const std::function<void(const Inputs&, uint64_t maxPacket)>& read,
                  const std::function<Outcome()>& write);

// The text the operator is shown for an error that ended a run: a shop that could not be
// reached gets the connection test's message.
QString ErrorMessage(const Error& error);

}  // namespace wwweksports
