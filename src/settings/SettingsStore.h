// The operator's saved inputs: the four connection fields, the workbook path and the two
// check boxes, restored when the window opens (and read by the headless front end for its
// defaults) and saved when the window closes. On Windows they live in the registry under
// HKEY_CURRENT_USER\Software\TOLVERN\Zentaro\WWWExp; elsewhere in
// $XDG_CONFIG_HOME/TOLVERN/Zentaro/WWWExp.json (default ~/.config), one JSON object with the
// strings as strings and the check boxes as integers 0 or 1, mode 0600 (it holds the password).
#pragma once

#include <QString>

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

    // Fills `inputs` from the store. A missing store or value is no failure: a missing
    // string value empties its field, the other fields keep what they hold. A string value of
    // the wrong kind stops the reading of it and the strings after it; a check box with a
    // missing or malformed value keeps its state. A store that exists but cannot be read at
    // all raises Error(Input).
    void restore(Inputs& inputs) const;

    // Writes all seven values. Raises Error(Input) when the store cannot be written.
    void save(const Inputs& inputs) const;

private:
    QString location_;
};

}  // namespace wwweksports
