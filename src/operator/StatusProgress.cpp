#include "operator/StatusProgress.h"

#include <algorithm>

namespace wwweksports {
namespace {

// The whole number ending just before `end` in `text`, and where it starts; nothing when no
// digit stands there (or the number is longer than a count can be).
std::optional<std::pair<qlonglong, qsizetype>> NumberBefore(const QString& text, qsizetype end) {
    qsizetype start = end;
    while (start > 0 && text[start - 1] >= QLatin1Char('0') && text[start - 1] <= QLatin1Char('9'))
        --start;
    if (start == end || end - start > 18) return std::nullopt;
    qlonglong value = 0;
    for (qsizetype i = start; i < end; ++i) value = value * 10 + (text[i].unicode() - '0');
    return std::make_pair(value, start);
}

}  // namespace

std::optional<PhaseStep> PhaseProgress(const QString& status) {
    // "<phase><done> no <all>" or "<phase><done>/<all>" at the text's end; status texts come
    // often (every ten rows of a send), so they are read by hand rather than by a pattern.
    const auto all = NumberBefore(status, status.size());
    if (!all) return std::nullopt;
    qsizetype doneEnd = all->second;
    if (doneEnd >= 1 && status[doneEnd - 1] == QLatin1Char('/')) {
        doneEnd -= 1;
    } else if (doneEnd >= 4 && QStringView(status).mid(doneEnd - 4, 4) == QLatin1String(" no ")) {
        doneEnd -= 4;
    } else {
        return std::nullopt;
    }
    const auto done = NumberBefore(status, doneEnd);
    if (!done || all->first <= 0) return std::nullopt;
    return PhaseStep{status.left(done->second),
                     static_cast<int>(std::min<qlonglong>(100, done->first * 100 / all->first))};
}

}  // namespace wwweksports
