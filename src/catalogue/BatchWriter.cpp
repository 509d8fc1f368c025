#include "catalogue/BatchWriter.h"

#include <algorithm>

#include "operator/Operator.h"
#include "shopdb/ArrayQuery.h"

namespace wwweksports {

void ExecuteInBatches(std::initializer_list<ArrayQuery*> queries, int rowCount,
                      const QString& phaseText, Operator& op) {
    const int batches = (rowCount + BatchSize - 1) / BatchSize;
    int batch = 0;
    for (int start = 0; start < rowCount; start += BatchSize) {
        ++batch;
        op.setStatus(QStringLiteral("%1%2; Paka: %3 no %4")
                         .arg(phaseText, QString::number(rowCount), QString::number(batch),
                              QString::number(batches)),
                     StatusRefresh::RepaintAndProcessEvents);
        const int end = std::min(start + BatchSize, rowCount);
        for (ArrayQuery* query : queries) query->execute(end, start);
    }
}

}  // namespace wwweksports
