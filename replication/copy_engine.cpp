#include "replication/copy_engine.h"

namespace brindle {

TCopyEngine::TCopyEngine(TFyrn& fyrn, TCopySettings settings, PassObserver observer, PassBody body)
    : fyrn_(&fyrn),
      observer_(std::move(observer)),
      body_(std::move(body)),
      settings_(std::move(settings)),
      thread_([this](TCopyDBThread& thread) { Pass(thread); },
              [this] { return Settings().CheckPeriod; }) {}

TCopyEngine::TCopyEngine(TCopySettings settings, PassBody body, PassObserver observer)
    : fyrn_(nullptr),
      observer_(std::move(observer)),
      body_(std::move(body)),
      settings_(std::move(settings)),
      thread_([this](TCopyDBThread& thread) { Pass(thread); },
              [this] { return Settings().CheckPeriod; }) {}

TCopyEngine::~TCopyEngine() = default;

TCopySettings TCopyEngine::Settings() const {
  std::lock_guard guard(lock_);
  return settings_;
}

void TCopyEngine::SetSettings(TCopySettings settings) {
  std::lock_guard guard(lock_);
  settings_ = std::move(settings);
}

void TCopyEngine::UpdateSettings(const std::function<void(TCopySettings&)>& change) {
  std::lock_guard guard(lock_);
  change(settings_);
}

std::optional<TPassResult> TCopyEngine::LastResult() const {
  std::lock_guard guard(lock_);
  return last_;
}

void TCopyEngine::Pass(TCopyDBThread& thread) {
  const TCopySettings settings = Settings();
  TPassResult result =
      body_ ? body_(settings, thread) : RunCopyPass(*fyrn_, settings, thread, memory_);
  {
    std::lock_guard guard(lock_);
    last_ = result;
  }
  if (observer_) observer_(result);
}

}  // namespace brindle
