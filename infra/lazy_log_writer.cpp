#include "infra/lazy_log_writer.h"

#include <algorithm>
#include <chrono>

namespace brindle {

namespace {

std::mutex g_writer_lock;  // LazyWriterLock: only the creation of the writer
std::atomic<std::shared_ptr<TLazyWriteThread>> g_writer;

constexpr auto kWaitTimeout = std::chrono::milliseconds(5000);

}  // namespace

TLazyWriteThread::TLazyWriteThread() {
  thread_ = std::thread([this] { Execute(); });
}

TLazyWriteThread::~TLazyWriteThread() {
  Stop();
}

void TLazyWriteThread::Stop() {
  terminated_ = true;
  Wake();
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();  // the thread is on its way out and cannot wait for itself
  } else {
    thread_.join();
  }
}

void TLazyWriteThread::StopDetached(std::shared_ptr<TLazyWriteThread> self) {
  {
    std::lock_guard self_guard(self_lock_);
    self_ = std::move(self);
  }
  if (thread_.joinable()) thread_.detach();
  terminated_ = true;
  Wake();
}

bool TLazyWriteThread::Enqueue(TMirtLogger& logger, int level, TDateTime time,
                               std::string_view text) {
  TLogMessageRec message{&logger, time == 0 ? Now() : time, static_cast<std::uint8_t>(level),
                         std::string(text), CurrentThreadId()};
  {
    std::lock_guard queue_guard(queue_lock_);
    if (stopped_) return false;
    queue_.push_back(std::move(message));
    ++logger.pending_count_;
  }
  Wake();
  return true;
}

void TLazyWriteThread::Wake() {
  {
    std::lock_guard wake_guard(wake_lock_);
    wake_signalled_ = true;
  }
  wake_condition_.notify_one();
}

std::size_t TLazyWriteThread::QueuedCount() const {
  std::lock_guard queue_guard(queue_lock_);
  return queue_.size();
}

void TLazyWriteThread::Execute() {
  thread_id_ = CurrentThreadId();
  while (!terminated_) {
    {
      std::unique_lock wake_guard(wake_lock_);
      wake_condition_.wait_for(wake_guard, kWaitTimeout, [this] { return wake_signalled_; });
      wake_signalled_ = false;
    }
    try {
      Flush();
    } catch (...) {
      // One failed cycle must not end the writer.
    }
  }
  // Lines queued up to this point are written before Enqueue starts refusing.
  for (;;) {
    try {
      Flush();
    } catch (...) {
    }
    std::lock_guard queue_guard(queue_lock_);
    if (queue_.empty()) {
      stopped_ = true;
      break;
    }
  }
  std::shared_ptr<TLazyWriteThread> self;
  {
    std::lock_guard self_guard(self_lock_);
    self.swap(self_);
  }
  if (self) {
    auto expected = self;
    g_writer.compare_exchange_strong(expected, nullptr);
    self.reset();  // may free this object: nothing of it is touched after
  }
}

void TLazyWriteThread::Flush() {
  std::lock_guard flush_guard(flush_lock_);
  std::vector<TLogMessageRec> messages;
  {
    std::lock_guard queue_guard(queue_lock_);
    messages.swap(queue_);
  }
  if (messages.empty()) return;

  struct Group {
    TMirtLogger* logger;
    std::int32_t count;
  };
  std::vector<Group> groups;  // in order of first appearance
  for (TLogMessageRec& message : messages) {
    TMirtLogger& logger = *message.Logger;
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&](const Group& g) { return g.logger == &logger; });
    if (group == groups.end()) {
      logger.batch_.clear();
      group = groups.insert(groups.end(), Group{&logger, 0});
    }
    ++group->count;
    try {
      logger.batch_.push_back(
          logger.FormatLine(message.Text, message.Level, message.ThreadId, message.Time));
    } catch (...) {
      // The line is lost, but it is still uncounted below.
    }
  }
  for (const Group& group : groups) {
    try {
      WriteBatch(*group.logger);
    } catch (...) {
    }
    // Last touch of the logger: once its count is 0 its destructor may finish.
    std::lock_guard queue_guard(queue_lock_);
    group.logger->pending_count_ -= group.count;
  }
}

void TLazyWriteThread::WriteBatch(TMirtLogger& logger) {
  std::string buffer;
  buffer.reserve(kBufferSize);
  const auto write_block = [&] {
    logger.WriteToFile({}, LogPlain, &buffer, CurrentThreadId(), Now());
    buffer.clear();  // keeps its capacity
  };
  for (const std::string& line : logger.batch_) {
    buffer += line;
    buffer += "\r\n";
    if (buffer.size() > kBlockLimit) write_block();
  }
  if (!buffer.empty()) write_block();
  logger.batch_.clear();
}

std::shared_ptr<TLazyWriteThread> LazyWriter() {
  return g_writer.load();
}

std::shared_ptr<TLazyWriteThread> EnsureLazyWriter() {
  if (LazyShutdown) return nullptr;
  if (auto writer = g_writer.load()) return writer;
  std::lock_guard writer_guard(g_writer_lock);
  if (LazyShutdown) return nullptr;
  if (auto writer = g_writer.load()) return writer;
  auto writer = std::make_shared<TLazyWriteThread>();
  g_writer.store(writer);
  return writer;
}

void StopLazyWriter(bool in_library) {
  std::shared_ptr<TLazyWriteThread> writer;
  {
    // After this no new writer can appear.
    std::lock_guard writer_guard(g_writer_lock);
    LazyShutdown = true;
    writer = g_writer.load();
  }
  if (!writer) return;
  if (!in_library) {
    writer->Stop();
    g_writer.store(nullptr);
    return;
  }
  writer->StopDetached(writer);
  writer.reset();
  while (g_writer.load() != nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace brindle
