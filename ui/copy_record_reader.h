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

class TFyrn;

// The copy's record as the window reads it.
struct TCopyRecordRead {
  TCopyFreshness Record;
  // The working server's clock less this computer's, in days: the offset the copy records from
  // its own server's clock, plus that clock less this computer's; empty when none is recorded.
  std::optional<double> WorkClockOffset;
  TDateTime Started = 0;  // when the read began, on this computer's clock
};

// Reads the record of the copy database of the connection string, and its server's clock when
// the record has an offset to add it to. Raises what the binding raises.
TCopyRecordRead ReadCopyRecord(TFyrn& fyrn, const std::string& conn_str,
                               const std::string& password);

class TCopyRecordReader {
 public:
  using Read = std::function<TCopyRecordRead()>;

  TCopyRecordReader() = default;
  ~TCopyRecordReader();
  TCopyRecordReader(const TCopyRecordReader&) = delete;
  TCopyRecordReader& operator=(const TCopyRecordReader&) = delete;

  // Starts `read` on a thread of its own.
  void Start(Read read);
  // The latest read's result, once, when it has ended well. A read that failed gives nothing and
  // leaves its message in Error().
  std::optional<TCopyRecordRead> Take();

  // A read was started and its end not yet taken.
  bool Reading() const { return current_.valid(); }
  // The message of the latest read that failed; empty once a read has been started since.
  const std::string& Error() const { return error_; }

 private:
  std::future<TCopyRecordRead> current_;
  TDateTime started_ = 0;
  std::string error_;
  std::vector<std::future<TCopyRecordRead>> superseded_;  // still running, results dropped
};

}  // namespace brindle
