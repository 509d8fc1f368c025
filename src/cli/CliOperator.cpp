#include "cli/CliOperator.h"

#include <utility>

#include "operator/ProcessLog.h"

namespace wwweksports {

CliOperator::CliOperator(Inputs inputs, QTextStream& out, QTextStream& err)
    : inputs_(std::move(inputs)), out_(out), err_(err) {}

void CliOperator::setStatus(const QString& text, StatusRefresh) { err_ << text << Qt::endl; }

void CliOperator::addProcessLine(const QString& message) {
    out_ << StampedProcessLine(message) << Qt::endl;
}

void CliOperator::showMessage(const QString& text) { err_ << text << Qt::endl; }

void CliOperator::reportLink(const QString& text) { err_ << text << Qt::endl; }

}  // namespace wwweksports
