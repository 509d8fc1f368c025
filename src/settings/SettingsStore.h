// The operator's saved inputs: the four connection fields, the workbook path, the two
// check boxes and the link's security mode and CA file, restored when the window opens (and read by
// the headless front end for its defaults) and saved when the window closes. On Windows they live
// in the registry under HKEY_CURRENT_USER\Software\TOLVERN\Zentaro\WWWExp; elsewhere in
// $XDG_CONFIG_HOME/TOLVERN/Zentaro/WWWExp.json (default ~/.config), one JSON object with the
// strings as strings and the check boxes as integers 0 or 1, mode 0600 (it holds the password).
#pragma once

#include <QString>
#include <QStringList>

#include "operator/Operator.h"

namespace wwweksports {

class SettingsStore {
public:
    // The store of the current user.
    SettingsStore();
    // A store at another place: a registry key path below HKEY_CURRENT_USER on Windows, a
    // file path elsewhere.
    explicit SettingsStore(QString location);

    const QString& location() const { return location_; }

    // Fills `inputs` from the store and returns what the operator should be told about it,
    // one line each. A missing store is no failure: the fields keep their initial state.
    // Within a store, a missing string value empties its field and a missing check box keeps
    // its state. On Windows nothing is reported: a string value of the wrong kind stops the
    // reading of it and the strings after it, and a check box with a malformed value keeps
    // its state. Elsewhere a store that is not a regular file of at most 64 KiB holding a
    // JSON object with values of the right kinds is reported once and none of it is used;
    // a store holding a password that other users may read or change is used and reported.
    [[nodiscard]] QStringList restore(Inputs& inputs) const;

    // Writes all nine values. Raises Error(Input) when the store cannot be written.
    void save(const Inputs& inputs) const;

private:
    QString location_;
};

}  // namespace wwweksports
