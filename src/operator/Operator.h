// What every upload reports to, and reads from, the person running it. The window implements
// it with its fields, status bar, process log and message boxes; the headless front end with
// its options, stdout and stderr; tests with a recorder. Uploads never see a widget.
#pragma once

#include <QString>

#include "operator/ChangeReport.h"

namespace wwweksports {

// The operator's inputs as the window's fields hold them at this moment, untrimmed.
struct Inputs {
    QString address;        // edMySQL_IP: host, optionally ":" and port
    QString database;       // edMySQL_DB
    QString user;           // edMySQLUserName
    QString password;       // edMySQLFTPParole
    QString workbookPath;   // shExcelDir: path of a file in the workbook directory
    bool products = false;  // chkPreces
    bool specials = false;  // chkSpecCenas
    // The link's security (shopdb/LinkSecurity.h): the mode's name, empty for the default,
    // and the files it may take.
    QString tlsMode;
    QString tlsCa;
    QString tlsCert;
    QString tlsKey;
};

// What follows a status text: nothing, a repaint of the status bar, or a repaint and one pass
// of the event loop so the window stays painted during long work.
enum class StatusRefresh { None, Repaint, RepaintAndProcessEvents };

class Operator {
public:
    virtual ~Operator() = default;

    // Read anew at every use: an edit between runs takes effect at the next run.
    virtual Inputs inputs() const = 0;

    // Panel 0 of the status bar.
    virtual void setStatus(const QString& text, StatusRefresh refresh) = 0;

    // One time-stamped line in the process log.
    virtual void addProcessLine(const QString& message) = 0;

    // A modal message with an OK button; returns when the operator has closed it.
    virtual void showMessage(const QString& text) = 0;

    // Whether and how the link to the shop database is encrypted, after each connection test.
    virtual void reportLink(const QString& text) = 0;

    // What a check found an upload would change (Foreseen), or what an upload that ended
    // normally changed (Made).
    enum class Changes { Foreseen, Made };
    virtual void reportChanges(const ChangeReport& report, Changes changes) = 0;
};

}  // namespace wwweksports
