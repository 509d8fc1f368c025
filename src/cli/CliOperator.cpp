#include "cli/CliOperator.h"

#include <utility>

#include "operator/ProcessLog.h"
#include "operator/StatusProgress.h"

namespace wwweksports {
namespace {

// A phase's progress is written again after this long, or this many percent more.
const qint64 kProgressSeconds = 5;
const int kProgressPercent = 10;

}  // namespace

CliOperator::CliOperator(Inputs inputs, QTextStream& out, QTextStream& err, CliOutput output)
    : inputs_(std::move(inputs)), out_(out), err_(err), output_(std::move(output)) {}

CliOperator::~CliOperator() { endProgressLine(); }

void CliOperator::logLines(const QString& text) {
    if (!output_.log) return;
    const QString stamp = output_.clock().toString(Qt::ISODate);
    QByteArray lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        lines += (stamp + QLatin1Char(' ') + line + QLatin1Char('\n')).toUtf8();
    output_.log->write(lines);
}

void CliOperator::endProgressLine() {
    if (!progressLineOpen_) return;
    err_ << Qt::endl;
    progressLineOpen_ = false;
}

void CliOperator::setStatus(const QString& text, StatusRefresh) {
    logLines(text);
    if (output_.quiet) return;
    const std::optional<PhaseStep> step = PhaseProgress(text);
    if (!step) {
        endProgressLine();
        progressPhase_.clear();
        err_ << text << Qt::endl;
        return;
    }
    if (output_.terminal) {
        // Back to the line's start, the text, and the rest of the old text cleared.
        err_ << '\r' << text << "\x1b[K" << Qt::flush;
        progressLineOpen_ = true;
        return;
    }
    const QDateTime now = output_.clock();
    if (step->phase == progressPhase_ && step->percent < 100 &&
        progressWritten_.secsTo(now) < kProgressSeconds &&
        step->percent < progressPercent_ + kProgressPercent)
        return;
    progressPhase_ = step->phase;
    progressWritten_ = now;
    progressPercent_ = step->percent;
    err_ << now.toString(Qt::ISODate) << ' ' << text << Qt::endl;
}

void CliOperator::addProcessLine(const QString& message) {
    logLines(message);
    if (output_.quiet) return;
    endProgressLine();
    lines() << StampedProcessLine(message) << Qt::endl;
}

void CliOperator::showMessage(const QString& text) {
    logLines(text);
    endProgressLine();
    err_ << text << Qt::endl;
}

void CliOperator::reportLink(const QString& text) {
    logLines(text);
    if (output_.quiet) return;
    endProgressLine();
    err_ << text << Qt::endl;
}

void CliOperator::reportChanges(const ChangeReport& report, Changes changes) {
    changes_ = report;
    const QString title = changes == Changes::Foreseen ? QStringLiteral("Sūtot veikalā mainītos:")
                                                       : QStringLiteral("Veikalā mainīts:");
    const QString table = ChangeTable(report);
    logLines(title + QLatin1Char('\n') + table.trimmed());
    if (output_.json) return;  // the summary is the JSON object's
    endProgressLine();
    // A check's result is its output; an upload's summary stands with its other texts.
    QTextStream& to = changes == Changes::Foreseen ? out_ : err_;
    to << title << Qt::endl << table << Qt::flush;
}

}  // namespace wwweksports
