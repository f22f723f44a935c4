// A transaction on one connection: the stand-in for the IBX TIBTransaction.
//
// Data sets on a transaction start it when they need it. Commit and Rollback end it and close
// the cursors of its data sets; their prepared statements stay. Destroying an active
// transaction rolls its work back: releasing it without Commit leaves nothing behind.
#pragma once

#include <memory>

namespace brindle::ibx {

class TIBDatabase;

namespace detail {
struct TransactionCore;
}

enum class TIBTransactionKind {
  // Read-only, read committed: sees every committed change, never blocks writers.
  ReadOnly,
  // Read-write, read committed, waiting for a row that another transaction holds.
  ReadWrite,
  // Read-write, read committed, but a statement that needs a row another transaction holds
  // fails at once (isc_update_conflict) instead of waiting: for taking a row as a lock without
  // hanging on its holder.
  ReadWriteNoWait,
};

class TIBTransaction {
 public:
  explicit TIBTransaction(TIBDatabase& database,
                          TIBTransactionKind kind = TIBTransactionKind::ReadWrite);
  ~TIBTransaction();  // rolls back when active; never throws
  TIBTransaction(const TIBTransaction&) = delete;
  TIBTransaction& operator=(const TIBTransaction&) = delete;
  TIBTransaction(TIBTransaction&&) noexcept;
  TIBTransaction& operator=(TIBTransaction&&) noexcept;

  // Raises EIBError when already active or when the connection is not open.
  void StartTransaction();
  // Raises EIBError when not active. When the server refuses the commit the transaction stays
  // active, so that it can be rolled back.
  void Commit();
  // Commits the work done so far and keeps the transaction running, with the cursors of its data
  // sets open (the client's commitRetaining). Raises EIBError when not active; when the server
  // refuses, the work stays uncommitted and the transaction active.
  void CommitRetaining();
  // Does nothing when not active.
  void Rollback();
  bool InTransaction() const;
  TIBTransactionKind Kind() const;

  detail::TransactionCore& Core() const;

 private:
  std::unique_ptr<detail::TransactionCore> core_;
};

}  // namespace brindle::ibx
