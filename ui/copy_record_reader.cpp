#include "ui/copy_record_reader.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace brindle {

namespace {

bool Ended(const std::future<TCopyFreshness>& read) {
  return read.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace

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

std::optional<TCopyRecordReader::TRecordRead> TCopyRecordReader::Take() {
  std::erase_if(superseded_, Ended);
  if (!current_.valid() || !Ended(current_)) return std::nullopt;
  try {
    return TRecordRead{current_.get(), started_};
  } catch (const std::exception& e) {
    error_ = e.what();
  } catch (...) {
    error_ = "unknown error";
  }
  return std::nullopt;
}

}  // namespace brindle
