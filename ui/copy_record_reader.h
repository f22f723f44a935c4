// Reads the copy's record of its freshness (replication/copy_record.h) on a thread of its own:
// connecting to a copy server that is away can take many seconds, and the window must not wait
// for it. The window starts a read and looks for its end with its timer.
//
// One thread uses an object; each read runs on a thread of its own. A newer read supersedes an
// older one, whose result is dropped. The destructor waits for reads still running, since they
// go through the database library's binding, which must outlive them.
#pragma once

#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "replication/copy_record.h"

namespace brindle {

class TCopyRecordReader {
 public:
  using Read = std::function<TCopyFreshness()>;

  struct TRecordRead {
    TCopyFreshness Record;
    TDateTime Started = 0;  // when the read began, on this computer's clock
  };

  TCopyRecordReader() = default;
  ~TCopyRecordReader();
  TCopyRecordReader(const TCopyRecordReader&) = delete;
  TCopyRecordReader& operator=(const TCopyRecordReader&) = delete;

  // Starts `read` on a thread of its own.
  void Start(Read read);
  // The latest read's record, once, when it has ended well. A read that failed gives nothing and
  // leaves its message in Error().
  std::optional<TRecordRead> Take();

  // A read was started and its end not yet taken.
  bool Reading() const { return current_.valid(); }
  // The message of the latest read that failed; empty once a read has been started since.
  const std::string& Error() const { return error_; }

 private:
  std::future<TCopyFreshness> current_;
  TDateTime started_ = 0;
  std::string error_;
  std::vector<std::future<TCopyFreshness>> superseded_;  // still running, results dropped
};

}  // namespace brindle
