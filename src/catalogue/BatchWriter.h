// Writing the rows collected in array queries in chunks of BatchSize rows, telling the
// operator which chunk is under way ("<phase><rows>; Paka: <k> no <chunks>"). The catalogue's
// products, descriptions and keywords and the special prices are written this way.
#pragma once

#include <QString>
#include <initializer_list>

namespace wwweksports {

class ArrayQuery;
class Operator;

inline constexpr int BatchSize = 2500;

// Rows 0 .. rowCount - 1 of each query, chunk by chunk; within a chunk the queries run in
// the order given, over the same rows. Nothing is shown for no rows. Database errors pass to
// the caller.
void ExecuteInBatches(std::initializer_list<ArrayQuery*> queries, int rowCount,
                      const QString& phaseText, Operator& op);

}  // namespace wwweksports
