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

#include "ibx/packed_rows.h"

namespace brindle {

namespace ibx {
class TIBDataSet;
}

// Bytes of values in a batch of read-ahead rows, at most (and one row more).
inline constexpr std::size_t kSourceBatchBytes = 4 << 20;

// Calls `read_batch` on a thread of its own for the next batch, until it gives an empty one or
// raises, keeping up to three batches ready. Until this object is gone nothing else may use what
// `read_batch` reads. A batch should hold no more than kSourceBatchBytes of values (and one row
// more).
template <class Batch>
class TReadAhead {
 public:
  explicit TReadAhead(std::function<Batch()> read_batch)
      : read_batch_(std::move(read_batch)), thread_([this] { Read(); }) {}
  // Stops the reading and waits for its thread.
  ~TReadAhead() {
    {
      const std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  // The next batch in the reading's order; empty after the last. Raises what the reading raised.
  Batch Next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !ready_.empty() || done_; });
    if (!ready_.empty()) {
      Batch batch = std::move(ready_.front());
      ready_.pop_front();
      changed_.notify_all();
      return batch;
    }
    if (error_) std::rethrow_exception(error_);
    return {};
  }

 private:
  static constexpr std::size_t kBatchesAhead = 3;

  void Read() {
    try {
      for (Batch batch = read_batch_(); !batch.empty(); batch = read_batch_()) {
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

  const std::function<Batch()> read_batch_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> ready_;
  bool done_ = false;     // the reader has put its last batch
  bool stopped_ = false;  // the reader is to stop
  std::exception_ptr error_;
  std::thread thread_;  // last: starts once the rest is built
};

// The values of some fields of an open data set, in that order, a batch of rows at a time.
class TSourceRows : public TReadAhead<ibx::TIBPackedRows> {
 public:
  // Starts reading; until this object is gone nothing else may use `source` or its connection.
  TSourceRows(ibx::TIBDataSet& source, std::vector<std::size_t> fields, std::size_t batch_rows);
};

}  // namespace brindle
