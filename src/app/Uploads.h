// The uploads behind the window's two buttons, shared by both front ends. Each runs in the
// upload frame and reads its own workbook from the directory of the workbook input.
// Workbook and database errors that end an upload raise Error.
#pragma once

#include "operator/Outcome.h"

namespace wwweksports {

class Operator;
class ShopConnection;

// "Preces un grupas": the shop's groups and products replaced by those of the workbooks.
Outcome UploadCatalogue(ShopConnection& connection, Operator& op);

// "Akciju cenas": the shop's special prices replaced by the struck-through prices.
Outcome UploadSpecialPrices(ShopConnection& connection, Operator& op);

// "Sūtīt atlikumus": checks the inputs, then sets every product's stock quantity, and ends
// with what it changed.
Outcome UploadStockBalances(ShopConnection& connection, Operator& op);

// "Sūtīt sarakstus": checks the inputs, then between an opening and a closing line of the
// process log the catalogue when "Preces un grupas" is ticked and the special prices when
// "Akciju cenas" is ticked, in that order, and ends with what they changed. A run whose
// connection test failed or that showed an error goes on to its next upload but ends without
// the closing texts.
Outcome SendLists(ShopConnection& connection, Operator& op);

// Call once at a program's start: memory an upload frees is kept for the next rows instead of
// going back to the system, which would hand it out again page by page.
void KeepFreedMemory();

}  // namespace wwweksports
