// The headless front end as a function, so tests can run it in-process: parses the
// arguments, reads the saved inputs, runs the command and returns the exit status
// (0 done; 2 a usage error or a required input is missing; 3 the shop could not be reached;
// 1 any other error: for check, a workbook the uploads would refuse). `stderrIsTerminal`:
// progress updates one line there.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace wwweksports {

class SettingsStore;

int RunCli(const QStringList& args, const SettingsStore& store, QTextStream& out, QTextStream& err,
           bool stderrIsTerminal = false);

}  // namespace wwweksports
