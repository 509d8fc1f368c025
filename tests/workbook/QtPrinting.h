// Readable GoogleTest output for Qt values.
#pragma once

#include <QDateTime>
#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QDateTime& dateTime, std::ostream* os) {
    *os << dateTime.toString(Qt::ISODate).toStdString();
}
