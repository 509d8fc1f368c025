#include "shopdb/BatchWriter.h"

#include <algorithm>

#include "operator/Operator.h"
#include "shopdb/ArrayQuery.h"

namespace wwweksports {

int BatchCount(int rowCount) { return rowCount <= 0 ? 0 : (rowCount + BatchSize - 1) / BatchSize; }

void ExecuteInBatches(std::initializer_list<ArrayQuery*> queries, int rowCount,
                      const QString& phaseText, Operator& op) {
    const int batches = BatchCount(rowCount);
    int batch = 0;
    for (int start = 0; start < rowCount; start += BatchSize) {
        ++batch;
        op.setStatus(phaseText + QString::number(rowCount) + QStringLiteral("; Paka: ") +
                         QString::number(batch) + QStringLiteral(" no ") + QString::number(batches),
                     StatusRefresh::RepaintAndProcessEvents);
        const int end = std::min(start + BatchSize, rowCount);
        for (ArrayQuery* query : queries) query->execute(end, start);
    }
}

}  // namespace wwweksports
