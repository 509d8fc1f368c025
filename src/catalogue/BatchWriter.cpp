#include "catalogue/BatchWriter.h"

#include <algorithm>
#include <utility>

#include "operator/Operator.h"
#include "shopdb/BulkWriter.h"

namespace wwweksports {

BatchTexts::BatchTexts(Operator& op, int rowCount, QString phaseText)
    : op_(op),
      rowCount_(rowCount),
      phaseText_(std::move(phaseText)),
      batches_(rowCount > 0 ? (rowCount + BatchSize - 1) / BatchSize : 0) {}

void BatchTexts::showUpTo(int batch) {
    for (; shown_ < std::min(batch, batches_); ++shown_) {
        op_.setStatus(QStringLiteral("%1%2; Paka: %3 no %4")
                          .arg(phaseText_, QString::number(rowCount_), QString::number(shown_ + 1),
                               QString::number(batches_)),
                      StatusRefresh::RepaintAndProcessEvents);
    }
}

void ExecuteInBatches(ShopConnection& connection, int rowCount, const QString& phaseText,
                      Operator& op,
                      const std::function<void(BulkWriter&, int start, int end)>& writeChunk,
                      const std::function<void(BulkWriter&)>& after) {
    BatchTexts texts(op, rowCount, phaseText);
    BulkWriter writer(connection, [&texts](int batch) { texts.showUpTo(batch); });
    for (int batch = 1; batch <= texts.batches(); ++batch) {
        writer.setMark(batch);
        const int start = (batch - 1) * BatchSize;
        writeChunk(writer, start, std::min(start + BatchSize, rowCount));
    }
    if (after) after(writer);
    writer.send();
    texts.showUpTo(texts.batches());
}

}  // namespace wwweksports
