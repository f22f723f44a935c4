#include "replication/source_rows.h"

#include <algorithm>

#include "ibx/dataset.h"

namespace brindle {

TSourceRows::TSourceRows(ibx::TIBDataSet& source, std::vector<std::size_t> fields,
                         std::size_t batch_rows)
    : TReadAhead(
          [&source, fields = std::move(fields), batch_rows = std::max<std::size_t>(batch_rows, 1)] {
            ibx::TIBPackedRows batch;
            for (; !source.Eof() && batch.size() < batch_rows && batch.Bytes() < kSourceBatchBytes;
                 source.Next()) {
              batch.Append(source, fields);
            }
            return batch;
          }) {}

}  // namespace brindle
