#include "ui/copy_record_reader.h"

#include <chrono>
#include <exception>

#include "dbaccess/fyrn.h"
#include "replication/server_clock.h"

namespace brindle {

namespace {

bool Ended(const std::future<TCopyRecordRead>& read) {
  return read.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace

TCopyRecordRead ReadCopyRecord(TFyrn& fyrn, const std::string& conn_str,
                               const std::string& password) {
  TCopyRecordRead read;
  read.Record = ReadCopyFreshness(*fyrn.OpenConf(conn_str, password));
  if (read.Record.WorkClockOffset) {
    const TFyrn::Connection copy = fyrn.Connect(conn_str, password);
    const TDateTime asked = Now();
    const TDateTime copy_now = ServerTime(fyrn, *copy);
    const TDateTime answered = Now();
    read.WorkClockOffset = *read.Record.WorkClockOffset + copy_now - (asked + answered) / 2;
  }
  return read;
}

// The futures of std::async wait for their threads as they go.
TCopyRecordReader::~TCopyRecordReader() = default;

void TCopyRecordReader::Start(Read read) {
  std::erase_if(superseded_, Ended);
  if (current_.valid()) superseded_.push_back(std::move(current_));
  started_ = Now();
  error_.clear();
  try {
    current_ = std::async(std::launch::async, std::move(read));
  } catch (const std::exception& e) {  // no thread to be had
    error_ = e.what();
  }
}

std::optional<TCopyRecordRead> TCopyRecordReader::Take() {
  std::erase_if(superseded_, Ended);
  if (!current_.valid() || !Ended(current_)) return std::nullopt;
  try {
    TCopyRecordRead read = current_.get();
    read.Started = started_;
    return read;
  } catch (const std::exception& e) {
    error_ = e.what();
  } catch (...) {
    error_ = "unknown error";
  }
  return std::nullopt;
}

}  // namespace brindle
