#include "catalogue/BatchWriter.h"

#include <algorithm>

#include "operator/Operator.h"
#include "shopdb/BulkWriter.h"

namespace wwweksports {

void ExecuteInBatches(ShopConnection& connection, int rowCount, const QString& phaseText,
                      Operator& op,
                      const std::function<void(BulkWriter&, int start, int end)>& writeChunk) {
    if (rowCount <= 0) return;
    const int batches = (rowCount + BatchSize - 1) / BatchSize;
    int shown = 0;
    const auto showUpTo = [&](int batch) {
        for (; shown < batch; ++shown) {
            op.setStatus(QStringLiteral("%1%2; Paka: %3 no %4")
                             .arg(phaseText, QString::number(rowCount), QString::number(shown + 1),
                                  QString::number(batches)),
                         StatusRefresh::RepaintAndProcessEvents);
        }
    };
    BulkWriter writer(connection, showUpTo);
    for (int batch = 1; batch <= batches; ++batch) {
        writer.setMark(batch);
        const int start = (batch - 1) * BatchSize;
        writeChunk(writer, start, std::min(start + BatchSize, rowCount));
    }
    writer.send();
    showUpTo(batches);
}

}  // namespace wwweksports
