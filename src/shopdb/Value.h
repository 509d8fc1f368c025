// One value of a statement parameter: absent (NULL), integer, real number, text (UTF-8) or
// date. Values travel to the shop through the client library's binary protocol, never
// pasted into statement text.
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
