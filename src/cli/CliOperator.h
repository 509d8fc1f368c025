// The headless front end's side of the operator interface: inputs fixed for the run,
// process-log lines on stdout, status texts and messages on stderr, one per line.
#pragma once

#include <QTextStream>

#include "operator/Operator.h"

namespace wwweksports {

class CliOperator : public Operator {
public:
    CliOperator(Inputs inputs, QTextStream& out, QTextStream& err);

    Inputs inputs() const override { return inputs_; }
    void setStatus(const QString& text, StatusRefresh refresh) override;
    void addProcessLine(const QString& message) override;
    void showMessage(const QString& text) override;
    void reportLink(const QString& text) override;

private:
    Inputs inputs_;
    QTextStream& out_;
    QTextStream& err_;
};

}  // namespace wwweksports
