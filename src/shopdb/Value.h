// One value of a statement parameter: absent (NULL), integer, real number, text (UTF-8) or
// date. A single statement's values travel bound through the client library's binary
// protocol; rows written many at a time go as literals escaped by the client library for
// the connection's character set. Never pasted into statement text by hand.
#pragma once

#include <QDate>
#include <QString>
#include <cstdint>
#include <string>
#include <variant>

namespace wwweksports {

using Value = std::variant<std::monostate, int64_t, double, std::string, QDate>;

inline Value TextValue(const QString& text) { return text.toStdString(); }

}  // namespace wwweksports
