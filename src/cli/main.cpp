#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "app/Uploads.h"
#include "cli/CliMain.h"
#include "settings/SettingsStore.h"

int main(int argc, char* argv[]) {
    wwweksports::KeepFreedMemory();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const wwweksports::SettingsStore store;
    return wwweksports::RunCli(app.arguments().mid(1), store, out, err);
}
