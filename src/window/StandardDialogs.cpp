#include "window/StandardDialogs.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include "app/UploadFrame.h"
#include "operator/Error.h"

namespace wwweksports {

bool UseLatvianQtTexts() {
    static QTranslator translator;
    for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                  QCoreApplication::applicationDirPath() + "/translations"}) {
        if (translator.load(QStringLiteral("qtbase_lv"), folder))
            return QCoreApplication::installTranslator(&translator);
    }
    return false;
}
namespace {

void ShowBox(QMessageBox::Icon icon, QWidget* parent, const QString& text) {
    QMessageBox box(icon, kApplicationName, text, QMessageBox::Ok, parent);
    // Plain text: messages quote workbook cells and server errors, which may hold "<".
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

void ShowErrorDialog(QWidget* parent, const QString& message) {
    ShowBox(QMessageBox::Critical, parent, message);
}

void ShowOperatorMessage(QWidget* parent, const QString& text) {
    ShowBox(QMessageBox::NoIcon, parent, text);
}

QString ExceptionText(const std::exception& e) {
    if (const auto* error = dynamic_cast<const Error*>(&e)) return ErrorMessage(*error);
    return QString::fromUtf8(e.what());
}

}  // namespace wwweksports
