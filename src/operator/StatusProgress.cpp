#include "operator/StatusProgress.h"

#include <QRegularExpression>
#include <algorithm>

namespace wwweksports {

std::optional<PhaseStep> PhaseProgress(const QString& status) {
    static const QRegularExpression step(QStringLiteral("(\\d+)(?: no |/)(\\d+)$"));
    const QRegularExpressionMatch match = step.match(status);
    if (!match.hasMatch()) return std::nullopt;
    const qlonglong done = match.captured(1).toLongLong();
    const qlonglong all = match.captured(2).toLongLong();
    if (all <= 0) return std::nullopt;
    return PhaseStep{status.left(match.capturedStart()),
                     static_cast<int>(std::min<qlonglong>(100, done * 100 / all))};
}

}  // namespace wwweksports
