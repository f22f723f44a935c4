#include "replication/source_rows.h"

#include <algorithm>

#include "ibx/dataset.h"

namespace brindle {

namespace {

// Batches read ahead of the writer.
constexpr std::size_t kBatchesAhead = 3;

}  // namespace

std::size_t HeldBytes(const ibx::TIBValue& value) {
  if (const auto* text = std::get_if<std::string>(&value.Get())) return text->size();
  if (const auto* bytes = std::get_if<ibx::TIBBytes>(&value.Get())) return bytes->bytes.size();
  return 0;
}

TSourceRows::TSourceRows(ibx::TIBDataSet& source, std::vector<std::size_t> fields,
                         std::size_t batch_rows)
    : TSourceRows(
          [&source, fields = std::move(fields), batch_rows = std::max<std::size_t>(batch_rows, 1)] {
            std::vector<Row> batch;
            batch.reserve(batch_rows);
            std::size_t bytes = 0;
            for (; !source.Eof() && batch.size() < batch_rows && bytes < kSourceBatchBytes;
                 source.Next()) {
              Row row;
              row.reserve(fields.size());
              for (const std::size_t field : fields) {
                row.push_back(source.Fields(field).AsVariant());
                bytes += HeldBytes(row.back());
              }
              batch.push_back(std::move(row));
            }
            return batch;
          }) {}

TSourceRows::TSourceRows(std::function<std::vector<Row>()> read_batch)
    : read_batch_(std::move(read_batch)), thread_([this] { Read(); }) {}

TSourceRows::~TSourceRows() {
  {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void TSourceRows::Read() {
  try {
    for (std::vector<Row> batch = read_batch_(); !batch.empty(); batch = read_batch_()) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopped_ || ready_.size() < kBatchesAhead; });
      if (stopped_) return;
      ready_.push_back(std::move(batch));
      changed_.notify_all();
    }
  } catch (...) {
    const std::lock_guard lock(mutex_);
    error_ = std::current_exception();
  }
  const std::lock_guard lock(mutex_);
  done_ = true;
  changed_.notify_all();
}

std::vector<TSourceRows::Row> TSourceRows::Next() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !ready_.empty() || done_; });
  if (!ready_.empty()) {
    std::vector<Row> batch = std::move(ready_.front());
    ready_.pop_front();
    changed_.notify_all();
    return batch;
  }
  if (error_) std::rethrow_exception(error_);
  return {};
}

}  // namespace brindle
