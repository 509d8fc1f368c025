// The check before publishing: both workbooks read and checked as the uploads read them, then,
// unless offline, what "Sūtīt sarakstus" (with the ticks as they are) and "Sūtīt atlikumus"
// would change in the shop, found with reading statements only: no write, no maintenance,
// no run lock. The result goes to the operator as Changes::Foreseen.
#pragma once

#include "operator/Outcome.h"

namespace wwweksports {

class Operator;
class ShopConnection;

// Done when the workbooks can be published. A workbook the uploads would refuse raises its
// Error(Workbook); an input missing gives InputMissing, a shop that cannot be reached
// ConnectionFailed, each shown as the uploads show them.
Outcome CheckBeforeSending(ShopConnection& connection, Operator& op, bool offline);

}  // namespace wwweksports
