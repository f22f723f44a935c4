// Rows read a few batches ahead on a thread of their own: the working server sends rows while the
// copy's server writes the ones before (or while the check compares them), and each side's client
// work runs on its own core. The queue is bounded in batches and a batch in rows and bytes, so
// memory does not grow with the number of rows.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ibx/value.h"

namespace brindle {

namespace ibx {
class TIBDataSet;
}

// The text or BLOB bytes a value holds, for bounding what is kept in memory.
std::size_t HeldBytes(const ibx::TIBValue& value);
// Text and BLOB bytes in a batch of read-ahead rows, at most (and one row more).
inline constexpr std::size_t kSourceBatchBytes = 4 << 20;

class TSourceRows {
 public:
  using Row = std::vector<ibx::TIBValue>;

  // Starts reading the values of the given fields of `source`, which is open; until this object
  // is gone nothing else may use `source` or its connection.
  TSourceRows(ibx::TIBDataSet& source, std::vector<std::size_t> fields, std::size_t batch_rows);
  // Starts calling `read_batch` on the thread for the next batch until it gives an empty one or
  // raises; until this object is gone nothing else may use what `read_batch` reads. A batch
  // should hold no more than kSourceBatchBytes of text and BLOB bytes (and one row more).
  explicit TSourceRows(std::function<std::vector<Row>()> read_batch);
  // Stops the reading and waits for its thread.
  ~TSourceRows();
  TSourceRows(const TSourceRows&) = delete;
  TSourceRows& operator=(const TSourceRows&) = delete;

  // The next rows in the query's order; empty after the last. Raises what the reading raised.
  std::vector<Row> Next();

 private:
  void Read();

  const std::function<std::vector<Row>()> read_batch_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<Row>> ready_;
  bool done_ = false;     // the reader has put its last batch
  bool stopped_ = false;  // the reader is to stop
  std::exception_ptr error_;
  std::thread thread_;  // last: starts once the rest is built
};

}  // namespace brindle
