#include "shopdb/SqlText.h"

#include <cctype>

namespace wwweksports {
namespace {

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// If a quoted text or a comment starts at `i`, returns the position just past it;
// otherwise returns `i`.
size_t SkipQuotedOrComment(const std::string& s, size_t i) {
    const size_t n = s.size();
    const char c = s[i];
    if (c == '\'' || c == '"' || c == '`') {
        size_t j = i + 1;
        while (j < n) {
            if (s[j] == '\\' && c != '`') {
                j += 2;
            } else if (s[j] == c) {
                if (j + 1 < n && s[j + 1] == c) {
                    j += 2;  // doubled quote inside the text
                } else {
                    return j + 1;
                }
            } else {
                ++j;
            }
        }
        return n;
    }
    if (c == '#' || (c == '-' && i + 2 < n && s[i + 1] == '-' &&
                     std::isspace(static_cast<unsigned char>(s[i + 2])))) {
        const size_t eol = s.find('\n', i);
        return eol == std::string::npos ? n : eol + 1;
    }
    if (c == '/' && i + 1 < n && s[i + 1] == '*') {
        const size_t end = s.find("*/", i + 2);
        return end == std::string::npos ? n : end + 2;
    }
    return i;
}

bool KeywordAt(const std::string& s, size_t i, const char* word) {
    size_t k = 0;
    for (; word[k] != '\0'; ++k) {
        if (i + k >= s.size() || std::toupper(static_cast<unsigned char>(s[i + k])) != word[k])
            return false;
    }
    if (i > 0 && IsIdentChar(s[i - 1])) return false;
    return i + k >= s.size() || !IsIdentChar(s[i + k]);
}

void FindRowTuple(SqlText& out) {
    const std::string& s = out.positional;
    size_t first = 0;
    while (first < s.size() && std::isspace(static_cast<unsigned char>(s[first]))) ++first;
    if (!KeywordAt(s, first, "INSERT") && !KeywordAt(s, first, "REPLACE")) return;

    // The last VALUES keyword outside quotes, and the placeholders before it.
    size_t values = std::string::npos;
    int placeholdersBefore = 0;
    int placeholdersSoFar = 0;
    for (size_t i = 0; i < s.size();) {
        const size_t skipped = SkipQuotedOrComment(s, i);
        if (skipped != i) {
            i = skipped;
            continue;
        }
        if (s[i] == '?') ++placeholdersSoFar;
        if (KeywordAt(s, i, "VALUES")) {
            values = i;
            placeholdersBefore = placeholdersSoFar;
        }
        ++i;
    }
    if (values == std::string::npos || placeholdersBefore != 0) return;

    size_t open = values + 6;
    while (open < s.size() && std::isspace(static_cast<unsigned char>(s[open]))) ++open;
    if (open >= s.size() || s[open] != '(') return;

    int depth = 0;
    size_t close = std::string::npos;
    for (size_t i = open; i < s.size();) {
        const size_t skipped = SkipQuotedOrComment(s, i);
        if (skipped != i) {
            i = skipped;
            continue;
        }
        if (s[i] == '(') ++depth;
        if (s[i] == ')' && --depth == 0) {
            close = i;
            break;
        }
        ++i;
    }
    if (close == std::string::npos) return;
    for (size_t i = close + 1; i < s.size(); ++i) {
        if (!std::isspace(static_cast<unsigned char>(s[i]))) return;
    }
    out.multiRow = true;
    out.head = s.substr(0, open);
    out.tuple = s.substr(open, close + 1 - open);
    out.tail = s.substr(close + 1);
}

}  // namespace

SqlText ParseSqlText(const QString& text) {
    const std::string s = text.toStdString();
    SqlText out;
    out.positional.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const size_t skipped = SkipQuotedOrComment(s, i);
        if (skipped != i) {
            out.positional.append(s, i, skipped - i);
            i = skipped;
            continue;
        }
        if (s[i] == ':' && i + 1 < s.size() && IsIdentStart(s[i + 1]) &&
            (i == 0 || s[i - 1] != ':')) {
            size_t end = i + 1;
            while (end < s.size() && IsIdentChar(s[end])) ++end;
            out.paramNames << QString::fromStdString(s.substr(i + 1, end - i - 1));
            out.placeholderOffsets.push_back(out.positional.size());
            out.positional += '?';
            i = end;
            continue;
        }
        out.positional += s[i];
        ++i;
    }
    FindRowTuple(out);
    return out;
}

std::string NumbersTable(size_t count) {
    const auto digits = [](size_t highest) {
        std::string table = "(SELECT 0 AS d";
        for (size_t d = 1; d <= highest; ++d) table += " UNION ALL SELECT " + std::to_string(d);
        return table + ")";
    };
    // The lowest digits run 0-9, the highest only as far as the count needs.
    const size_t last = count > 0 ? count - 1 : 0;
    std::vector<size_t> weights{1};
    while (last / weights.back() >= 10) weights.push_back(weights.back() * 10);
    std::string number;
    std::string from;
    for (size_t k = 0; k < weights.size(); ++k) {
        const std::string alias = "n" + std::to_string(k);
        if (k > 0) {
            number += " + ";
            from += ", ";
        }
        number += alias + ".d * " + std::to_string(weights[k]);
        from += digits(k + 1 == weights.size() ? last / weights[k] : 9) + " AS " + alias;
    }
    return "(SELECT " + number + " + 1 AS i FROM " + from + " WHERE " + number + " < " +
           std::to_string(count) + ")";
}

}  // namespace wwweksports
