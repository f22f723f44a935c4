// Inside the data-access layer only: access to the Firebird client's OO API and the rules for
// its interfaces. Every call into the client goes through Call, which turns the client's
// FbException (not a std::exception) into EIBError. After a successful commit, rollback, close,
// free or detach the client has released the interface itself; release() is for the cases where
// such a call failed or was never made.
#pragma once

#include <firebird/Interface.h>

#include <memory>
#include <utility>

#include "ibx/ib_error.h"

namespace brindle::ibx::detail {

Firebird::IMaster* Master();
Firebird::IUtil* Util();

// An IStatus and the wrapper that throws on errors. One per object that talks to the client.
class Status {
 public:
  Status();
  ~Status();
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;

  Firebird::ThrowStatusWrapper* get() { return &wrapper_; }

 private:
  Firebird::IStatus* status_;
  Firebird::ThrowStatusWrapper wrapper_;
};

// Raises EIBError with the status's full text, its error codes and its SQLCODE.
[[noreturn]] void RaiseStatus(Firebird::IStatus* status);

template <class Body>
decltype(auto) Call(Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (const Firebird::FbException& e) {
    RaiseStatus(e.getStatus());
  }
}

// Ends an interface with its closing call; on failure releases it and reports the failure.
// The pointer is null afterwards in both cases.
template <class I, class Close>
void CloseOrRaise(I*& iface, Close&& close) {
  if (!iface) return;
  I* p = std::exchange(iface, nullptr);
  try {
    Call([&] { close(p); });
  } catch (...) {
    p->release();
    throw;
  }
}

// The same for destructors and clean-up after an error: never throws.
template <class I, class Close>
void CloseQuietly(I*& iface, Close&& close) noexcept {
  if (!iface) return;
  I* p = std::exchange(iface, nullptr);
  try {
    close(p);
  } catch (...) {
    p->release();
  }
}

// Owner of a reference-counted interface that has no closing call (metadata, providers).
template <class I>
class Ref {
 public:
  Ref() = default;
  explicit Ref(I* p) : p_(p) {}
  ~Ref() { reset(); }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  I* get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset(I* p = nullptr) noexcept {
    if (p_) p_->release();
    p_ = p;
  }

 private:
  I* p_ = nullptr;
};

// Parameter blocks (DPB, TPB, BPB) through the client's builder, disposed when done.
class ParameterBlock {
 public:
  ParameterBlock(Status& status, unsigned kind);
  ~ParameterBlock();
  ParameterBlock(const ParameterBlock&) = delete;
  ParameterBlock& operator=(const ParameterBlock&) = delete;

  ParameterBlock& Tag(unsigned char tag);
  ParameterBlock& Int(unsigned char tag, int value);
  ParameterBlock& String(unsigned char tag, const std::string& value);
  unsigned Length();
  const unsigned char* Buffer();

 private:
  Status& status_;
  Firebird::IXpbBuilder* builder_ = nullptr;
};

}  // namespace brindle::ibx::detail
