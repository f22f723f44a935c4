// One copier per copy database: the lock a copy pass takes before it writes, so that two
// programs copying into the same copy (the window program on one computer, brindle-sync on
// another) never collide on its rows.
//
// The lock lives in the copy database itself, so it holds across computers: it is a row lock on
// the copy's CONFIGPARAMS row CONF / * / * / REPLICATION_INFO / COPY_LOCK, taken with
// SELECT ... WITH LOCK in a read-write NO WAIT transaction that stays open while the lock is
// held and is rolled back to release it. Only the row itself is ever committed, once, by whoever
// needs it first. The server ends the transaction with its attachment, so the lock is free again
// as soon as the holder's connection ends: closed, killed with its process, or dropped by the
// server. A holder on another computer whose network goes away keeps the lock until the server
// notices the dead connection.
//
// The statement that takes the row also sets the transaction's context variable
// BRINDLE_COPY_LOCK to the holder's computer, process id, use (a pass or a repair) and program
// path. A refused attempt
// reads it from MON$CONTEXT_VARIABLES: the variable exists exactly while the row is held, and
// goes with the same rollback. This needs a user who sees every attachment (SYSDBA, as the
// program connects); otherwise the holder is not named.
//
// A TCopyLock works on a connection that the caller owns and uses from one thread at a time.
// TryAcquire needs it open; closing it releases the lock, and the lock object may be released
// or destroyed after the connection is closed or destroyed.
#pragma once

#include <optional>
#include <string>

#include "ibx/transaction.h"

namespace brindle {

namespace ibx {
class TIBDatabase;
}

// What a holder does with the copy while it holds the lock.
enum class TCopyLockUse { kCopy, kRepair };

// What a refused attempt tells the operator: "копию БД сейчас заполняет другая программа
// (компьютер ...)", or that a repair of the copy holds it; the holder may be unknown (empty).
std::string CopyTakenText(TCopyLockUse holder_use, const std::string& holder);

class TCopyLock {
 public:
  // Takes nothing yet.
  explicit TCopyLock(ibx::TIBDatabase& copy, TCopyLockUse use = TCopyLockUse::kCopy);
  ~TCopyLock();  // releases; never throws
  TCopyLock(const TCopyLock&) = delete;
  TCopyLock& operator=(const TCopyLock&) = delete;

  // Tries once and never waits for the holder. True when this object now holds the lock (also
  // when it already did). False when another transaction holds it, or is creating its row at
  // this moment; HolderText then names the holder when it can be found. Creates the row when
  // the copy lacks it. Other failures (a closed connection, a copy without CONFIGPARAMS) raise
  // EIBError.
  bool TryAcquire();
  // Rolls the lock's transaction back. Does nothing when not held. Never throws: when the
  // rollback fails the connection is broken, and the server ends the transaction with it.
  void Release() noexcept;
  // Taken by TryAcquire and not released since; the connection may have died in between.
  bool Held() const;

  // The holder found by the last refused TryAcquire, as the operator reads it:
  // "компьютер srv1, процесс /opt/zemt/brindle-sync (pid 4242)". Empty when it could not be
  // found, and after a TryAcquire that did not find the lock taken.
  const std::string& HolderText() const { return holder_text_; }
  // What that holder does; a pass when it could not be found.
  TCopyLockUse HolderUse() const { return holder_use_; }

 private:
  enum class Attempt { Locked, Taken, NoRow };

  void EnsureRow();
  Attempt Lock();
  void FindHolder();

  ibx::TIBDatabase& copy_;
  TCopyLockUse use_;
  std::optional<ibx::TIBTransaction> transaction_;  // open exactly while held
  std::string holder_text_;
  TCopyLockUse holder_use_ = TCopyLockUse::kCopy;
};

}  // namespace brindle
