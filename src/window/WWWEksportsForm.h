// The operator's window `TWWWEksports`: the connection fields, the workbook location, the two
// check boxes and the three buttons on the page "Sūtīšana", with "Drošība" for the link's
// security in the room left beside "Aizvērt", the process log on the page
// "Procesa dati", and the status bar. It lays out its controls at fixed pixel positions,
// restores the saved inputs when it is created and saves them when it is destroyed, runs the
// uploads from its buttons on its own thread, and is the uploads' operator: it hands them its
// fields as inputs and shows their status texts, log lines and messages.
#pragma once

#include <QWidget>

#include "operator/Operator.h"
#include "settings/SettingsStore.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;

namespace wwweksports {

class TWWWEksports : public QWidget, public Operator {
    Q_OBJECT

public:
    // The log keeps at most this many lines before each new one.
    static constexpr int kMaxProcessLines = 3000;
    // A stamped log line longer than this goes on in a second line.
    static constexpr int kProcessLineLength = 64;

    // Restores the inputs from `store` (FormCreate); the destructor saves them there.
    explicit TWWWEksports(SettingsStore store = SettingsStore(), QWidget* parent = nullptr);
    ~TWWWEksports() override;

    Inputs inputs() const override;
    void setStatus(const QString& text, StatusRefresh refresh) override;
    void addProcessLine(const QString& message) override;
    void showMessage(const QString& text) override;
    // In the process log once a run, and kept for the box "Drošība".
    void reportLink(const QString& text) override;
    void reportChanges(const ChangeReport& report, Changes changes) override;

    // The two panels of StatusBar1; panel 1 holds no text, only the phase's progress bar.
    QLabel* statusPanel(int index) const;

protected:
    // Closing while an upload runs hides the window; the upload goes on to its end, its
    // messages answered, and then the window closes and the program ends.
    void closeEvent(QCloseEvent* event) override;
    // While an upload runs, drops what the operator does on the page "Sūtīšana" but
    // "Aizvērt", so that nothing is replayed after the run.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void applyTabOrder();

    void FormCreate();
    void FormDestroy();
    void btSutitKlasifClick();
    void btExportAtlikumiClick();
    void btExcelDirClick();
    void btCloseClick();
    void btDrosibaClick();
    void btParbauditClick();

    // Runs one upload on a connection of its own, under the wait cursor, and shows an error
    // that escapes it; a failed run leaves a line in the log and the status bar. A click that
    // arrives while an upload lets events run is ignored: one run at a time.
    template <typename Upload>
    void runUpload(Upload upload, const QString& failed = QStringLiteral("Sūtīšana neizdevās"));

    SettingsStore store_;
    bool uploadRunning_ = false;
    bool closeAfterUpload_ = false;
    QString tlsMode_;  // the link's security, set in the box "Drošība"
    QString tlsCa_;
    QString lastLink_;  // what the last connection test reported
    bool linkLoggedThisRun_ = false;

    QStatusBar* StatusBar1 = nullptr;
    QLabel* statusPanels_[2] = {nullptr, nullptr};
    QProgressBar* phaseProgress_ = nullptr;
    QTabWidget* pgLappuses = nullptr;
    QWidget* tabSutisana = nullptr;
    QWidget* tabStatusLog = nullptr;
    QListWidget* lstProcess = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QPushButton* btExportAtlikumi = nullptr;
    QPushButton* btClose = nullptr;
    QPushButton* btDrosiba = nullptr;
    QPushButton* btParbaudit = nullptr;
    QPushButton* btSutitKlasif = nullptr;
    QLineEdit* edMySQLUserName = nullptr;
    QLineEdit* edMySQLFTPParole = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* edMySQL_DB = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* edMySQL_IP = nullptr;
    QPushButton* btExcelDir = nullptr;
    QLineEdit* shExcelDir = nullptr;
    QCheckBox* chkPreces = nullptr;
    QCheckBox* chkSpecCenas = nullptr;
};

}  // namespace wwweksports
