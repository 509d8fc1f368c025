// The headless front end's side of the operator interface: inputs fixed for the run,
// process-log lines on stdout, status texts and messages on stderr, one per line. Progress
// texts ("Sūtu preces 120/5000", "Paka: 3 no 20") update one line on a terminal; elsewhere
// (a schedule's log) a phase's progress is written at most once per 5 seconds or per 10%,
// time-stamped. Quiet, only messages and the summary of changes are written. A log file gets
// every line, each with the date and time.
#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QTextStream>
#include <functional>
#include <optional>

#include "operator/Operator.h"

namespace wwweksports {

struct CliOutput {
    bool quiet = false;
    bool json = false;         // stdout holds one JSON object: process-log lines go to stderr
    bool terminal = false;     // stderr is a terminal
    QIODevice* log = nullptr;  // opened for appending
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
};

class CliOperator : public Operator {
public:
    CliOperator(Inputs inputs, QTextStream& out, QTextStream& err, CliOutput output = {});
    ~CliOperator() override;

    Inputs inputs() const override { return inputs_; }
    void setStatus(const QString& text, StatusRefresh refresh) override;
    void addProcessLine(const QString& message) override;
    void showMessage(const QString& text) override;
    void reportLink(const QString& text) override;
    void reportChanges(const ChangeReport& report, Changes changes) override;

    // The last report of changes, for the JSON summary.
    const std::optional<ChangeReport>& changes() const { return changes_; }
    // A line of the front end's own, as showMessage writes it.
    void writeError(const QString& text) { showMessage(text); }

private:
    void logLines(const QString& text);
    void endProgressLine();
    QTextStream& lines() { return output_.json ? err_ : out_; }

    Inputs inputs_;
    QTextStream& out_;
    QTextStream& err_;
    CliOutput output_;
    std::optional<ChangeReport> changes_;
    bool progressLineOpen_ = false;
    QString progressPhase_;
    QDateTime progressWritten_;
    int progressPercent_ = 0;
};

}  // namespace wwweksports
