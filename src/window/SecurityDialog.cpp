#include "window/SecurityDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "shopdb/LinkSecurity.h"

namespace wwweksports {
namespace {

// What each mode does, in the order of TlsModeNames().
const char* const kModeTexts[] = {
    "nešifrēt nekad",
    "šifrēt, ja serveris to piedāvā",
    "tikai šifrēti, sertifikātu nepārbaudot",
    "šifrēti, sertifikātam jābūt no norādītās CA",
    "kā verify-ca, un sertifikātam jānosauc servera adrese",
};

}  // namespace

SecurityDialog::SecurityDialog(const QString& mode, const QString& caFile, const QString& lastLink,
                               QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("SecurityDialog"));
    setWindowTitle(QStringLiteral("Drošība"));
    setFont(parent ? parent->font() : font());

    cbMode = new QComboBox(this);
    cbMode->setObjectName(QStringLiteral("cbMode"));
    const QStringList names = TlsModeNames();
    for (int i = 0; i < names.size(); ++i)
        cbMode->addItem(QStringLiteral("%1 – %2").arg(names[i], QString::fromUtf8(kModeTexts[i])),
                        names[i]);
    cbMode->setCurrentIndex(static_cast<int>(ParseTlsMode(mode).value_or(TlsMode::Preferred)));

    edCaFile = new QLineEdit(QDir::toNativeSeparators(caFile), this);
    edCaFile->setObjectName(QStringLiteral("edCaFile"));
    edCaFile->setPlaceholderText(QStringLiteral("sistēmas CA krātuve"));
    btCaFile = new QPushButton(QStringLiteral("..."), this);
    btCaFile->setObjectName(QStringLiteral("btCaFile"));
    btCaFile->setFixedWidth(24);
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(edCaFile);
    caRow->addWidget(btCaFile);

    auto* last = new QLabel(lastLink.isEmpty() ? QStringLiteral("vēl nav bijis") : lastLink, this);
    last->setObjectName(QStringLiteral("lbLastLink"));
    last->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Labi"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Atcelt"), QDialogButtonBox::RejectRole);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Savienojuma drošība:"), cbMode);
    form->addRow(QStringLiteral("CA fails:"), caRow);
    form->addRow(QStringLiteral("Pēdējais savienojums:"), last);
    form->addRow(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(btCaFile, &QPushButton::clicked, this, &SecurityDialog::pickCaFile);
    connect(cbMode, &QComboBox::currentIndexChanged, this, &SecurityDialog::showWhatTheModeTakes);
    showWhatTheModeTakes();
}

QString SecurityDialog::mode() const { return cbMode->currentData().toString(); }

QString SecurityDialog::caFile() const { return edCaFile->text().trimmed(); }

// The CA file counts only where the certificate is checked.
void SecurityDialog::showWhatTheModeTakes() {
    const auto mode = static_cast<TlsMode>(cbMode->currentIndex());
    const bool checked = mode == TlsMode::VerifyCa || mode == TlsMode::VerifyIdentity;
    edCaFile->setEnabled(checked);
    btCaFile->setEnabled(checked);
}

void SecurityDialog::pickCaFile() {
    QFileDialog dialog(this, QStringLiteral("Kur atrodas CA sertifikāts ?"));
#ifndef Q_OS_WIN
    dialog.setOption(QFileDialog::DontUseNativeDialog);  // as the workbook picker
#endif
    dialog.setNameFilters(
        {QStringLiteral("Sertifikāti (*.pem *.crt *.cer)"), QStringLiteral("Visi faili (*)")});
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!caFile().isEmpty()) dialog.selectFile(caFile());
    if (dialog.exec() == QDialog::Accepted)
        edCaFile->setText(QDir::toNativeSeparators(dialog.selectedFiles().value(0)));
}

}  // namespace wwweksports
