// The lazy log writer: one background thread per process that takes the lines of every lazy
// logger off the callers' threads and writes them in blocks of up to 1 MiB, one file open per
// block and logger.
//
// The writer is created by the first lazy write (EnsureLazyWriter) and owned by the logger
// module; StopLazyWriter, at module end, stops it after a last flush. Enqueue never waits for
// the disk: QueueLock is held only to move or count lines, never with a logger's file lock.
// A line queued while the writer still runs is always written, also when the writer stops at
// the same moment; once it has stopped, Enqueue refuses and the caller writes directly.
// A queued line points to its logger; the logger's destructor waits until its lines are
// written, so the pointer stays valid. Every function may be called from any thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "infra/logger.h"

namespace brindle {

// One queued line.
struct TLogMessageRec {
  TMirtLogger* Logger = nullptr;  // not owned; kept alive by its PendingCount
  TDateTime Time = 0;
  std::uint8_t Level = 0;
  std::string Text;
  std::uint32_t ThreadId = 0;
};

class TLazyWriteThread {
 public:
  // Starts the thread at once.
  TLazyWriteThread();
  // Stops the thread after its last flush and waits for it, unless it runs on by itself.
  ~TLazyWriteThread();
  TLazyWriteThread(const TLazyWriteThread&) = delete;
  TLazyWriteThread& operator=(const TLazyWriteThread&) = delete;

  // Queues one line of the logger (time 0 = now) and wakes the thread. False when the thread
  // has stopped: the line was not queued and the caller writes it itself.
  bool Enqueue(TMirtLogger& logger, int level, TDateTime time, std::string_view text);
  void Wake();
  // Writes everything queued, in order; runs one flush at a time.
  void Flush();
  // The writer thread's id (0 until it has started).
  std::uint32_t ThreadId() const { return thread_id_.load(); }
  // Lines waiting to be taken by the next flush.
  std::size_t QueuedCount() const;

  // Ends the thread after its last flush and waits for it; StopLazyWriter's way in a program.
  void Stop();
  // Lets the thread end and free itself without being waited for; it clears LazyWriter on its
  // way out. StopLazyWriter's way in a loaded library.
  void StopDetached(std::shared_ptr<TLazyWriteThread> self);

  // Blocks of more than this many bytes are written at once.
  static constexpr std::size_t kBlockLimit = 1048576;
  static constexpr std::size_t kBufferSize = 1049600;

 private:
  void Execute();
  // Formats and writes one logger's lines, then uncounts them, also when writing fails.
  void WriteBatch(TMirtLogger& logger);

  // WakeEvent: auto-reset, initially not signalled.
  std::mutex wake_lock_;
  std::condition_variable wake_condition_;
  bool wake_signalled_ = false;

  mutable std::mutex queue_lock_;  // QueueLock: queue_, stopped_, every logger's PendingCount
  std::vector<TLogMessageRec> queue_;
  bool stopped_ = false;

  std::mutex flush_lock_;  // one flush at a time keeps each logger's lines in order
  std::atomic<bool> terminated_{false};
  std::atomic<std::uint32_t> thread_id_{0};
  std::mutex self_lock_;
  std::shared_ptr<TLazyWriteThread> self_;  // set when the thread is to free itself
  std::thread thread_;
};

// Set at module end: from then on every write of every logger is direct.
inline std::atomic<bool> LazyShutdown{false};

// The process's writer, null before the first lazy write and after StopLazyWriter.
std::shared_ptr<TLazyWriteThread> LazyWriter();
// Creates the writer if there is none; null once LazyShutdown is set.
std::shared_ptr<TLazyWriteThread> EnsureLazyWriter();
// Sets LazyShutdown and stops the writer; what is still queued is written first.
// in_library: do not wait for the thread itself, only until it has let go of LazyWriter.
void StopLazyWriter(bool in_library);

}  // namespace brindle
