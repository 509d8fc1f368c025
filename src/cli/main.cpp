#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "app/Uploads.h"
#include "cli/CliMain.h"
#include "settings/SettingsStore.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

int main(int argc, char* argv[]) {
    wwweksports::KeepFreedMemory();
#ifndef _WIN32
    // Every progress text is timed, and without TZ the C library looks at /etc/localtime
    // again at each local time it works out: thousands of times in a send. Named here, the
    // same zone is read once.
    if (qgetenv("TZ").isEmpty()) qputenv("TZ", ":/etc/localtime");
#endif
#ifdef _WIN32
    // The texts are Latvian and written as UTF-8: the console shows them so.
    SetConsoleOutputCP(CP_UTF8);
#endif
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const wwweksports::SettingsStore store;
    return wwweksports::RunCli(app.arguments().mid(1), store, out, err,
                               isatty(fileno(stderr)) != 0);
}
