#include "window/WWWEksportsForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <optional>
#include <utility>

#include "app/ShopCheck.h"
#include "app/Uploads.h"
#include "operator/ProcessLog.h"
#include "operator/StatusProgress.h"
#include "shopdb/ShopConnection.h"
#include "window/Glyphs.h"
#include "window/SecurityDialog.h"
#include "window/StandardDialogs.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

constexpr int kFontPixelSize = 11;  // 8 points at 96 pixels per inch
constexpr int kProcessItemHeight = 13;

// The font where it is installed, else the closest one that is: Liberation Sans has Arial's
// metrics, DejaVu Sans is always there.
QFont PixelFont(const QString& preferred) {
    const QStringList families = {preferred, QStringLiteral("Liberation Sans"),
                                  QStringLiteral("DejaVu Sans")};
    // Not QFontDatabase::hasFamily: it answers yes for any name fontconfig maps to a substitute.
    const QStringList installed = QFontDatabase::families();
    QString family = families.last();
    for (const QString& candidate : families) {
        if (installed.contains(candidate, Qt::CaseInsensitive)) {
            family = candidate;
            break;
        }
    }
    QFont font(family);
    font.setPixelSize(kFontPixelSize);
    return font;
}

// The captions' widths in "Microsoft Sans Serif": their labels are exactly that wide. A wider
// fallback font is condensed until each fits, so no caption is cut.
QFont WindowFont() {
    const std::pair<QString, int> captions[] = {{QStringLiteral("MySQL adrese, ports :"), 105},
                                                {QStringLiteral("MySQL Lietot.vārds :"), 99},
                                                {QStringLiteral("MySQL datu b."), 71},
                                                {QStringLiteral("MySQL Parole :"), 74}};
    QFont font = PixelFont(QStringLiteral("Microsoft Sans Serif"));
    for (int stretch = QFont::Unstretched; stretch > QFont::ExtraCondensed; --stretch) {
        font.setStretch(stretch);
        const QFontMetrics metrics(font);
        bool fits = true;
        for (const auto& [caption, width] : captions) {
            fits = fits && metrics.horizontalAdvance(caption) < width;
        }
        if (fits) break;
    }
    return font;
}

class FixedHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(kProcessItemHeight);
        return size;
    }
};

// One "*" per character typed, whatever the application's style draws (Fusion draws a
// bullet); the rest is left to the application's style.
class PasswordEchoStyle : public QProxyStyle {
public:
    PasswordEchoStyle() : QProxyStyle(QApplication::style()->name()) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

template <typename Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left, top, width, height);
    return control;
}

QPushButton* GlyphButton(const QString& text, const QIcon& glyph, QWidget* page) {
    auto* button = new QPushButton(glyph, text, page);
    button->setIconSize(QSize(16, 16));
    return button;
}

}  // namespace

TWWWEksports::TWWWEksports(SettingsStore store, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      store_(std::move(store)) {
    setObjectName(QStringLiteral("WWWEksports"));
    setWindowTitle(QStringLiteral("Datu apmaiņa ar OpenCart E-veikalu "));
    setWindowIcon(WindowIcon());
    setFont(WindowFont());
    setFixedSize(450, 210);
    createControls();
    applyTabOrder();
    if (const QScreen* current = screen()) {
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        current->availableGeometry()));
    }
    FormCreate();
    qApp->installEventFilter(this);
}

TWWWEksports::~TWWWEksports() { FormDestroy(); }

void TWWWEksports::createControls() {
    StatusBar1 = Place(new QStatusBar(this), "StatusBar1", 0, 191, 450, 19);
    StatusBar1->setSizeGripEnabled(false);
    const int panelWidths[2] = {300, 50};
    for (int i = 0; i < 2; ++i) {
        statusPanels_[i] = new QLabel(StatusBar1);
        statusPanels_[i]->setFixedWidth(panelWidths[i]);
        StatusBar1->addWidget(statusPanels_[i]);
    }
    // The current phase's progress, drawn over the second panel while a phase counts.
    phaseProgress_ = new QProgressBar(statusPanels_[1]);
    phaseProgress_->setObjectName(QStringLiteral("phaseProgress"));
    phaseProgress_->setRange(0, 100);
    phaseProgress_->setTextVisible(false);
    phaseProgress_->setGeometry(0, 2, panelWidths[1], 13);
    phaseProgress_->hide();

    pgLappuses = Place(new QTabWidget(this), "pgLappuses", 2, 1, 440, 176);
    tabSutisana = new QWidget;
    tabSutisana->setObjectName(QStringLiteral("tabSutisana"));
    tabStatusLog = new QWidget;
    tabStatusLog->setObjectName(QStringLiteral("tabStatusLog"));
    pgLappuses->addTab(tabSutisana, QStringLiteral("Sūtīšana"));
    pgLappuses->addTab(tabStatusLog, QStringLiteral("Procesa dati"));

    QWidget* page = tabSutisana;
    btExcelDir = Place(new QPushButton(QStringLiteral("Excel failu katalogs"), page), "btExcelDir",
                       2, 0, 107, 25);
    shExcelDir = Place(new QLineEdit(page), "shExcelDir", 111, 2, 318, 21);
    Label11 =
        Place(new QLabel(QStringLiteral("MySQL adrese, ports :"), page), "Label11", 4, 30, 105, 13);
    edMySQL_IP = Place(new QLineEdit(page), "edMySQL_IP", 110, 26, 105, 21);
    edMySQL_IP->setToolTip(QStringLiteral("IP adrese un ports, piem 192.168.0.1:3306"));
    Label6 = Place(new QLabel(QStringLiteral("MySQL datu b."), page), "Label6", 223, 30, 71, 13);
    edMySQL_DB = Place(new QLineEdit(page), "edMySQL_DB", 295, 26, 133, 21);
    Label10 =
        Place(new QLabel(QStringLiteral("MySQL Lietot.vārds :"), page), "Label10", 4, 53, 99, 13);
    edMySQLUserName = Place(new QLineEdit(page), "edMySQLUserName", 110, 50, 105, 21);
    Label7 = Place(new QLabel(QStringLiteral("MySQL Parole :"), page), "Label7", 223, 54, 74, 13);
    edMySQLFTPParole = Place(new QLineEdit(page), "edMySQLFTPParole", 295, 50, 133, 21);
    edMySQLFTPParole->setFont(PixelFont(QStringLiteral("Tahoma")));
    edMySQLFTPParole->setEchoMode(QLineEdit::Password);
    auto* echoStyle = new PasswordEchoStyle;
    echoStyle->setParent(edMySQLFTPParole);  // a widget does not own its style
    edMySQLFTPParole->setStyle(echoStyle);
    chkPreces = Place(new QCheckBox(QStringLiteral("Preces un grupas"), page), "chkPreces", 111, 77,
                      109, 17);
    chkSpecCenas = Place(new QCheckBox(QStringLiteral("Akciju cenas"), page), "chkSpecCenas", 295,
                         77, 117, 17);

    const QIcon sendGlyph = SendGlyph();
    btSutitKlasif = Place(GlyphButton(QStringLiteral("Sūtīt sarakstus"), sendGlyph, page),
                          "btSutitKlasif", 3, 98, 117, 25);
    btExportAtlikumi = Place(GlyphButton(QStringLiteral("Sūtīt atlikumus"), sendGlyph, page),
                             "btExportAtlikumi", 133, 98, 100, 25);
    btClose = Place(GlyphButton(QStringLiteral("Aizvērt"), CloseGlyph(), page), "btClose", 362, 98,
                    67, 25);
    btDrosiba =
        Place(new QPushButton(QStringLiteral("Drošība"), page), "btDrosiba", 291, 98, 67, 25);
    btDrosiba->setToolTip(QStringLiteral("Savienojuma ar datu bāzi šifrēšana un CA fails"));
    // In the free strip under the buttons: no control of the page moves.
    btParbaudit =
        Place(new QPushButton(QStringLiteral("Pārbaudīt"), page), "btParbaudit", 3, 127, 117, 23);
    btParbaudit->setToolTip(
        QStringLiteral("Ko sūtīšana mainītu veikalā: tikai lasa, neko neraksta"));

    lstProcess = Place(new QListWidget(tabStatusLog), "lstProcess", 0, 2, 429, 631);
    lstProcess->setItemDelegate(new FixedHeightDelegate(lstProcess));
    lstProcess->setUniformItemSizes(true);
    lstProcess->setSelectionMode(QAbstractItemView::SingleSelection);
    // A list box clips its long lines; it neither elides them nor scrolls sideways.
    lstProcess->setTextElideMode(Qt::ElideNone);
    lstProcess->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // Under an application style sheet most controls take the application's font instead of
    // inheriting the window's, so each is given it outright.
    for (QWidget* control : findChildren<QWidget*>()) {
        if (control != edMySQLFTPParole) control->setFont(font());
    }

    connect(btSutitKlasif, &QPushButton::clicked, this, &TWWWEksports::btSutitKlasifClick);
    connect(btExportAtlikumi, &QPushButton::clicked, this, &TWWWEksports::btExportAtlikumiClick);
    connect(btExcelDir, &QPushButton::clicked, this, &TWWWEksports::btExcelDirClick);
    connect(btClose, &QPushButton::clicked, this, &TWWWEksports::btCloseClick);
    connect(btDrosiba, &QPushButton::clicked, this, &TWWWEksports::btDrosibaClick);
    connect(btParbaudit, &QPushButton::clicked, this, &TWWWEksports::btParbauditClick);
}

void TWWWEksports::applyTabOrder() {
    QWidget* const order[] = {btExportAtlikumi, btClose,          btSutitKlasif, edMySQL_DB,
                              edMySQLUserName,  edMySQLFTPParole, edMySQL_IP,    btExcelDir,
                              shExcelDir,       chkPreces,        chkSpecCenas,  btDrosiba,
                              btParbaudit};
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

QLabel* TWWWEksports::statusPanel(int index) const { return statusPanels_[index]; }

void TWWWEksports::FormCreate() {
    pgLappuses->setCurrentWidget(tabSutisana);
    Inputs saved = inputs();
    const QStringList reports = store_.restore(saved);
    if (!reports.isEmpty()) ShowErrorDialog(this, reports.join(QLatin1Char('\n')));
    edMySQL_IP->setText(saved.address);
    edMySQL_DB->setText(saved.database);
    edMySQLUserName->setText(saved.user);
    edMySQLFTPParole->setText(saved.password);
    shExcelDir->setText(saved.workbookPath);
    chkPreces->setChecked(saved.products);
    chkSpecCenas->setChecked(saved.specials);
    tlsMode_ = saved.tlsMode;
    tlsCa_ = saved.tlsCa;
}

void TWWWEksports::FormDestroy() {
    try {
        store_.save(inputs());
    } catch (const std::exception& e) {
        // The window is going: the box stands on its own.
        ShowErrorDialog(nullptr, ExceptionText(e));
    }
}

Inputs TWWWEksports::inputs() const {
    Inputs in;
    in.address = edMySQL_IP->text();
    in.database = edMySQL_DB->text();
    in.user = edMySQLUserName->text();
    in.password = edMySQLFTPParole->text();
    in.workbookPath = shExcelDir->text();
    in.products = chkPreces->isChecked();
    in.specials = chkSpecCenas->isChecked();
    in.tlsMode = tlsMode_;
    in.tlsCa = tlsCa_;
    return in;
}

void TWWWEksports::setStatus(const QString& text, StatusRefresh refresh) {
    statusPanels_[0]->setText(text);
    const std::optional<PhaseStep> step = PhaseProgress(text);
    if (step) phaseProgress_->setValue(step->percent);
    phaseProgress_->setVisible(step.has_value());
    if (refresh == StatusRefresh::None) return;
    StatusBar1->repaint();
    if (refresh == StatusRefresh::RepaintAndProcessEvents) QCoreApplication::processEvents();
}

void TWWWEksports::addProcessLine(const QString& message) {
    if (lstProcess->count() > kMaxProcessLines) delete lstProcess->takeItem(0);
    const QString line = StampedProcessLine(message);
    lstProcess->addItem(line.left(kProcessLineLength));
    const QString rest = line.mid(kProcessLineLength);
    if (!rest.isEmpty()) lstProcess->addItem(rest);
    const int last = lstProcess->count() - 1;
    lstProcess->setCurrentRow(last);
    lstProcess->scrollToItem(lstProcess->item(last));
    lstProcess->viewport()->repaint();
}

void TWWWEksports::showMessage(const QString& text) {
    // The box waits for the operator: the ordinary cursor while it is up.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::restoreOverrideCursor();
    ShowOperatorMessage(this, text);
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TWWWEksports::reportLink(const QString& text) {
    // Once a run: both of send-lists' uploads test the connection.
    if (text == lastLink_ && linkLoggedThisRun_) return;
    lastLink_ = text;
    linkLoggedThisRun_ = true;
    addProcessLine(text);
}

void TWWWEksports::reportChanges(const ChangeReport& report, Changes changes) {
    if (changes == Changes::Made) {
        addProcessLine(QStringLiteral("Veikalā mainīts: ") + ChangeLine(report));
        return;
    }
    addProcessLine(QStringLiteral("Pārbaude: sūtot veikalā mainītos"));
    for (const QString& line : ChangeLines(report)) addProcessLine(line);
    if (!report.anyChange())
        addProcessLine(QStringLiteral("Pārbaude: veikals jau ir kā darbgrāmatās"));
}

template <typename Upload>
void TWWWEksports::runUpload(Upload upload, const QString& failed) {
    if (uploadRunning_) return;
    uploadRunning_ = true;
    linkLoggedThisRun_ = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ShopConnection connection;
    // Long waits on the shop's server (a slow link) keep the window painted and live: what
    // the operator does meanwhile is taken or dropped at once (eventFilter), never replayed.
    connection.setWaitHook([] { QCoreApplication::processEvents(); });
    std::optional<QString> error;
    Outcome outcome = Outcome::Done;
    try {
        outcome = upload(connection);
    } catch (const std::exception& e) {
        error = ExceptionText(e);
    }
    uploadRunning_ = false;
    QApplication::restoreOverrideCursor();
    if (error || outcome == Outcome::ConnectionFailed || outcome == Outcome::ShownErrors) {
        // The trace of a failed run stays in the log and the status bar.
        const QString reason = error ? error->section(QLatin1Char('\n'), 0, 0)
                               : outcome == Outcome::ConnectionFailed
                                   ? QStringLiteral("neizdevās pieslēgties datu bāzei")
                                   : QStringLiteral("daļu ierakstu veikals neņēma pretī");
        const QString trace = QStringLiteral("%1: %2").arg(failed, reason);
        addProcessLine(trace);
        setStatus(trace, StatusRefresh::Repaint);
    }
    if (error) ShowErrorDialog(this, *error);
    if (closeAfterUpload_) {
        closeAfterUpload_ = false;
        close();
        // A hidden window's close does not end the program by itself; the main window's does.
        if (QGuiApplication::quitOnLastWindowClosed()) QCoreApplication::quit();
    }
}

bool TWWWEksports::eventFilter(QObject* watched, QEvent* event) {
    if (!uploadRunning_) return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
            break;
        default:
            return false;
    }
    // During a run the page "Sūtīšana" takes only "Aizvērt"; the pages' tabs, the log and the
    // boxes of the run stay usable.
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget == btClose || !tabSutisana->isAncestorOf(widget)) return false;
    return true;
}

void TWWWEksports::closeEvent(QCloseEvent* event) {
    if (!uploadRunning_) {
        QWidget::closeEvent(event);
        return;
    }
    // Closed now, the application would quit at once and cut the upload's boxes short, or
    // give up quitting when a box came up and leave a program without a window.
    closeAfterUpload_ = true;
    hide();
    event->ignore();
}

void TWWWEksports::btSutitKlasifClick() {
    runUpload([this](ShopConnection& connection) { return SendLists(connection, *this); });
}

void TWWWEksports::btExportAtlikumiClick() {
    runUpload(
        [this](ShopConnection& connection) { return UploadStockBalances(connection, *this); });
}

void TWWWEksports::btParbauditClick() {
    runUpload(
        [this](ShopConnection& connection) {
            return CheckBeforeSending(connection, *this, /*offline=*/false);
        },
        QStringLiteral("Pārbaude neizdevās"));
}

void TWWWEksports::btExcelDirClick() {
    QFileDialog dialog(this, QStringLiteral("Kur atrodas Excel fails ?"));
#ifndef Q_OS_WIN
    // Windows' own file dialog there; elsewhere Qt's, which filters and completes names the
    // same way on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    // One entry shown as "XLSX FAILI"; both spellings, since Linux file names keep their case.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(QStringLiteral("XLSX FAILI (*.XLSX *.xlsx)"));
    dialog.setDefaultSuffix(QStringLiteral("XLSX"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
#ifdef Q_OS_WIN
    // Windows' dialog takes only the name from the selected file: it opens in the folder it
    // is given, else in the program's working folder.
    const QString folder = WorkbookDirectory(shExcelDir->text());
    if (!folder.isEmpty()) dialog.setDirectory(folder);
#endif
    dialog.selectFile(shExcelDir->text());
    // Qt answers with "/" everywhere; the field shows the path as the system writes it.
    if (dialog.exec() == QDialog::Accepted)
        shExcelDir->setText(QDir::toNativeSeparators(dialog.selectedFiles().value(0)));
}

void TWWWEksports::btCloseClick() { close(); }

void TWWWEksports::btDrosibaClick() {
    SecurityDialog dialog(tlsMode_, tlsCa_, lastLink_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    tlsMode_ = dialog.mode();
    tlsCa_ = dialog.caFile();
}

}  // namespace wwweksports
