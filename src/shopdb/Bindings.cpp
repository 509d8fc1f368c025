#include "shopdb/Bindings.h"

#include <cstring>

namespace wwweksports {

void Bindings::resize(size_t count) {
    binds_.assign(count, MYSQL_BIND{});
    dates_.assign(count, MYSQL_TIME{});
}

void Bindings::set(size_t index, const Value& value) {
    MYSQL_BIND& b = binds_[index];
    std::memset(&b, 0, sizeof b);
    if (const auto* i = std::get_if<int64_t>(&value)) {
        b.buffer_type = MYSQL_TYPE_LONGLONG;
        b.buffer = const_cast<int64_t*>(i);
    } else if (const auto* d = std::get_if<double>(&value)) {
        b.buffer_type = MYSQL_TYPE_DOUBLE;
        b.buffer = const_cast<double*>(d);
    } else if (const auto* s = std::get_if<std::string>(&value)) {
        b.buffer_type = MYSQL_TYPE_STRING;
        b.buffer = const_cast<char*>(s->data());
        b.buffer_length = static_cast<unsigned long>(s->size());
    } else if (const auto* date = std::get_if<QDate>(&value)) {
        MYSQL_TIME& t = dates_[index];
        std::memset(&t, 0, sizeof t);
        t.year = static_cast<unsigned int>(date->year());
        t.month = static_cast<unsigned int>(date->month());
        t.day = static_cast<unsigned int>(date->day());
        t.time_type = MYSQL_TIMESTAMP_DATE;
        b.buffer_type = MYSQL_TYPE_DATE;
        b.buffer = &t;
        b.buffer_length = sizeof t;
    } else {
        b.buffer_type = MYSQL_TYPE_NULL;
    }
}

size_t WireSize(const Value& value) {
    if (const auto* s = std::get_if<std::string>(&value)) {
        const size_t n = s->size();
        const size_t prefix = n < 251 ? 1 : n < 65536 ? 3 : n < 16777216 ? 4 : 9;
        return prefix + n;
    }
    if (std::holds_alternative<QDate>(value)) return 5;
    if (std::holds_alternative<std::monostate>(value)) return 0;
    return 8;
}

}  // namespace wwweksports
