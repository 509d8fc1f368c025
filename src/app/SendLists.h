// "Sūtīt sarakstus": checks the inputs, then runs the catalogue upload when "Preces un grupas"
// is ticked and the special-price upload when "Akciju cenas" is ticked, in that order, between
// an opening and a closing line of the process log. Shared by the window and the headless
// front end.
#pragma once

#include "workbook/Workbook.h"

namespace wwweksports {

class Operator;
class ShopConnection;

// The two workbook connections the uploads read through.
struct Workbooks {
    WorkbookSource adcExcel;
    WorkbookSource adcPrecuGrupas;
};

enum class RunResult {
    Done,              // everything chosen was sent; the closing status and log line are written
    InputMissing,      // a required input is empty; its message was shown, nothing else happened
    ConnectionFailed,  // an upload's connection test failed (message shown); the other still ran
    Failed,            // an upload showed an error and went on
};

// Workbook and database errors that end an upload raise Error and end the run at once.
RunResult SendLists(ShopConnection& connection, Workbooks& workbooks, Operator& op);

}  // namespace wwweksports
