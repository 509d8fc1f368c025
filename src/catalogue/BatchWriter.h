// Writing rows in chunks of BatchSize rows, telling the operator which chunk is under way
// ("<phase><rows>; Paka: <k> no <chunks>"). The chunks' statements go to the shop many to
// a round trip; each chunk's text stands before its statements run, and when one fails the
// texts stop at its chunk. The catalogue's products, descriptions and keywords and the
// special prices are written this way.
#pragma once

#include <QString>
#include <functional>

namespace wwweksports {

class BulkWriter;
class Operator;
class ShopConnection;

inline constexpr int BatchSize = 2500;

// The texts of one phase's chunks, each shown once and in order.
class BatchTexts {
public:
    BatchTexts(Operator& op, int rowCount, QString phaseText);
    int batches() const { return batches_; }
    // Shows the texts of the chunks up to `batch` (counted from 1) not shown yet.
    void showUpTo(int batch);

private:
    Operator& op_;
    int rowCount_;
    QString phaseText_;
    int batches_;
    int shown_ = 0;
};

// `writeChunk(writer, start, end)` queues the statements of rows start .. end - 1, chunk by
// chunk in row order; `after`, when given, queues statements that go after the rows in the
// same round trip. Nothing is shown for no rows. Database errors pass to the caller.
void ExecuteInBatches(ShopConnection& connection, int rowCount, const QString& phaseText,
                      Operator& op,
                      const std::function<void(BulkWriter&, int start, int end)>& writeChunk,
                      const std::function<void(BulkWriter&)>& after = {});

}  // namespace wwweksports
