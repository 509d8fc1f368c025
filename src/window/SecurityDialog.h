// The box "Drošība" (security): how the window's uploads protect their link to the shop
// database, i.e. the security mode and the CA file, and how the last connection went.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace wwweksports {

class SecurityDialog : public QDialog {
    Q_OBJECT

public:
    // `mode` as saved (empty or unknown shows the default); `lastLink` is what the last
    // connection test reported, empty before the first.
    SecurityDialog(const QString& mode, const QString& caFile, const QString& lastLink,
                   QWidget* parent);

    QString mode() const;  // a mode's name
    QString caFile() const;

private:
    void pickCaFile();
    void showWhatTheModeTakes();

    QComboBox* cbMode = nullptr;
    QLineEdit* edCaFile = nullptr;
    QPushButton* btCaFile = nullptr;
};

}  // namespace wwweksports
