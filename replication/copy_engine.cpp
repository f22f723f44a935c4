#include "replication/copy_engine.h"

#include "platform/error.h"

namespace brindle {

TPassOutcome OutcomeAfter(const TPassResult& last, TDateTime copy_time) {
  TPassOutcome outcome;
  outcome.LastCopyTime =
      last.Status == TPassStatus::kCompleted && last.Finished > 0 ? last.Finished : copy_time;
  if (last.Failed()) {
    outcome.LastErrorText = last.Error ? last.Error->Text : "";
    outcome.LastErrorTime = last.Finished;
  }
  return outcome;
}

TCopyEngine::TCopyEngine(TFyrn& fyrn, TCopySettings settings, PassObserver observer, PassBody body)
    : fyrn_(&fyrn),
      observer_(std::move(observer)),
      body_(std::move(body)),
      settings_(std::move(settings)),
      thread_([this] { Pass(); }, [this] { return Settings().CheckPeriod; },
              [this] { return Between(); }) {}

TCopyEngine::TCopyEngine(TCopySettings settings, PassBody body, PassObserver observer)
    : fyrn_(nullptr),
      observer_(std::move(observer)),
      body_(std::move(body)),
      settings_(std::move(settings)),
      thread_([this] { Pass(); }, [this] { return Settings().CheckPeriod; },
              [this] { return Between(); }) {}

TCopyEngine::~TCopyEngine() = default;

TFyrn& TCopyEngine::Binding() const {
  if (!fyrn_) throw Exception("Копирование без библиотеки libFyrn.so: база данных недоступна");
  return *fyrn_;
}

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

void TCopyEngine::SetLastCopyTime(TDateTime time) {
  std::lock_guard guard(lock_);
  outcome_.LastCopyTime = time;
}

TPassOutcome TCopyEngine::Outcome() const {
  std::lock_guard guard(lock_);
  TPassOutcome outcome = outcome_;
  // A running pass hides the last one's error: it may be over.
  if (progress_.Busy) {
    outcome.LastErrorText.clear();
    outcome.LastErrorTime = 0;
  }
  return outcome;
}

void TCopyEngine::SetBetweenPasses(BetweenPasses work) {
  std::lock_guard guard(lock_);
  between_ = std::move(work);
}

bool TCopyEngine::Between() {
  BetweenPasses work;
  TCopySettings settings;
  {
    std::lock_guard guard(lock_);
    work = between_;
    settings = settings_;
  }
  return work && work(settings);
}

void TCopyEngine::RunOnePass() {
  one_pass_ = true;
  thread_.CopyEnabled = true;
  thread_.WakeUp();
}

TCopyEngine::Pulse TCopyEngine::TakePulse() const {
  return {thread_.Waiting(), thread_.Beats(), progress_.TableNo, progress_.RecordNo,
          progress_.RecordCount};
}

void TCopyEngine::Pass() {
  const bool one_pass = one_pass_.exchange(false);
  const TCopySettings settings = Settings();
  progress_.Start();
  TPassResult result =
      body_ ? body_(settings, progress_) : RunCopyPass(*fyrn_, settings, progress_, memory_);
  if (one_pass) thread_.CopyEnabled = false;
  {
    std::lock_guard guard(lock_);
    outcome_ = OutcomeAfter(result, outcome_.LastCopyTime);
    last_ = result;
  }
  // Only now: a reader that sees the pass over sees its result.
  progress_.Busy = false;
  if (observer_) observer_(result);
}

}  // namespace brindle
