#include "ibx/fb_client.h"

#include <ibase.h>

#include <string>
#include <vector>

#include "ibx/win1251.h"

namespace brindle::ibx::detail {

Firebird::IMaster* Master() {
  static Firebird::IMaster* const master = Firebird::fb_get_master_interface();
  return master;
}

Firebird::IUtil* Util() {
  static Firebird::IUtil* const util = Master()->getUtilInterface();
  return util;
}

Status::Status() : status_(Master()->getStatus()), wrapper_(status_) {}

Status::~Status() {
  status_->dispose();
}

void RaiseStatus(Firebird::IStatus* status) {
  std::vector<char> text(8192);
  Util()->formatStatus(text.data(), static_cast<unsigned>(text.size()), status);
  std::string message(text.data());
  // Names and values inside the text come in the connection's character set.
  if (!IsValidUtf8(message)) message = Win1251ToUtf8(message);

  const intptr_t* errors = status->getErrors();
  std::vector<std::intptr_t> codes;
  for (std::size_t i = 0; errors[i] != isc_arg_end;) {
    if (errors[i] == isc_arg_gds) codes.push_back(errors[i + 1]);
    i += errors[i] == isc_arg_cstring ? 3 : 2;
  }
  const int sql_code = static_cast<int>(isc_sqlcode(errors));
  throw EIBError(std::move(message), std::move(codes), sql_code);
}

ParameterBlock::ParameterBlock(Status& status, unsigned kind) : status_(status) {
  builder_ = Call([&] { return Util()->getXpbBuilder(status_.get(), kind, nullptr, 0); });
}

ParameterBlock::~ParameterBlock() {
  if (builder_) builder_->dispose();
}

ParameterBlock& ParameterBlock::Tag(unsigned char tag) {
  Call([&] { builder_->insertTag(status_.get(), tag); });
  return *this;
}

ParameterBlock& ParameterBlock::Int(unsigned char tag, int value) {
  Call([&] { builder_->insertInt(status_.get(), tag, value); });
  return *this;
}

ParameterBlock& ParameterBlock::String(unsigned char tag, const std::string& value) {
  Call([&] { builder_->insertString(status_.get(), tag, value.c_str()); });
  return *this;
}

unsigned ParameterBlock::Length() {
  return Call([&] { return builder_->getBufferLength(status_.get()); });
}

const unsigned char* ParameterBlock::Buffer() {
  return Call([&] { return builder_->getBuffer(status_.get()); });
}

}  // namespace brindle::ibx::detail
