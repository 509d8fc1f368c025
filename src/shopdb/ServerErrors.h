// What the database's errors mean, in plain Latvian for the operator; the server's own text
// follows it for the administrator.
#pragma once

#include <QString>

namespace wwweksports {

// "Datu bāze neatzina lietotāja vārdu vai paroli" for error 1045, and so on; a general text for
// an error without an explanation of its own.
QString ExplainServerError(unsigned int number);

// The explanation, then the number and the server's text in brackets.
QString ServerErrorText(unsigned int number, const QString& serverText);

}  // namespace wwweksports
