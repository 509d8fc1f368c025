// The window's two kinds of modal box: the standard error dialog, where every error that
// escapes start-up, the saved inputs or a button handler ends up, and the operator message
// that an upload shows and waits on. Both carry the application's name as title and one OK
// button.
#pragma once

#include <QString>
#include <exception>

class QWidget;

namespace wwweksports {

inline const QString kApplicationName = QStringLiteral("WWWEksports");

// Modal critical box with the error's message text.
void ShowErrorDialog(QWidget* parent, const QString& message);

// Modal box with the text and nothing else.
void ShowOperatorMessage(QWidget* parent, const QString& text);

// Qt's own texts (the file dialog's buttons, the boxes' buttons, the fields' menus) in
// Latvian, from Qt's translations where Qt keeps them or from "translations" beside the
// program. Returns false when none was found.
bool UseLatvianQtTexts();

// The text an exception is shown with: an Error's text for the operator (ErrorMessage),
// otherwise what() read as UTF-8.
QString ExceptionText(const std::exception& e);

}  // namespace wwweksports
