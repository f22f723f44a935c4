#include "ibx/transaction.h"

#include <ibase.h>

#include <algorithm>

#include "ibx/core.h"
#include "ibx/database.h"

namespace brindle::ibx {

namespace detail {

TransactionCore::TransactionCore(DatabaseCore& db, TIBTransactionKind transaction_kind)
    : database(&db), kind(transaction_kind) {
  database->transactions.push_back(this);
}

TransactionCore::~TransactionCore() {
  RollbackQuietly();
  for (DataSetCore* d : datasets) d->transaction = nullptr;
  if (database) std::erase(database->transactions, this);
}

void TransactionCore::Start() {
  if (transaction) throw EIBError("Транзакция уже активна");
  if (!database) throw EIBError("Подключение транзакции уничтожено");
  Firebird::IAttachment* attachment = database->Attachment();
  ParameterBlock tpb(status, Firebird::IXpbBuilder::TPB);
  tpb.Tag(kind == TIBTransactionKind::ReadOnly ? isc_tpb_read : isc_tpb_write)
      .Tag(isc_tpb_read_committed)
      .Tag(isc_tpb_rec_version)
      .Tag(kind == TIBTransactionKind::ReadWriteNoWait ? isc_tpb_nowait : isc_tpb_wait);
  const unsigned length = tpb.Length();
  const unsigned char* buffer = tpb.Buffer();
  transaction = Call([&] { return attachment->startTransaction(status.get(), length, buffer); });
}

Firebird::ITransaction* TransactionCore::Active() {
  if (!transaction) Start();
  return transaction;
}

void TransactionCore::CloseCursors() noexcept {
  for (DataSetCore* d : datasets) d->Close();
}

void TransactionCore::Commit() {
  if (!transaction) throw EIBError("Транзакция не активна");
  CloseCursors();
  // A failed commit leaves the transaction active, to be rolled back.
  Call([&] { transaction->commit(status.get()); });
  transaction = nullptr;
}

void TransactionCore::Rollback() {
  if (!transaction) return;
  CloseCursors();
  CloseOrRaise(transaction, [&](Firebird::ITransaction* t) { t->rollback(status.get()); });
}

void TransactionCore::RollbackQuietly() noexcept {
  if (!transaction) return;
  CloseCursors();
  CloseQuietly(transaction, [&](Firebird::ITransaction* t) { t->rollback(status.get()); });
}

}  // namespace detail

TIBTransaction::TIBTransaction(TIBDatabase& database, TIBTransactionKind kind)
    : core_(std::make_unique<detail::TransactionCore>(database.Core(), kind)) {}
TIBTransaction::~TIBTransaction() = default;
TIBTransaction::TIBTransaction(TIBTransaction&&) noexcept = default;
TIBTransaction& TIBTransaction::operator=(TIBTransaction&&) noexcept = default;

detail::TransactionCore& TIBTransaction::Core() const {
  return *core_;
}

void TIBTransaction::StartTransaction() {
  core_->Start();
}
void TIBTransaction::Commit() {
  core_->Commit();
}
void TIBTransaction::CommitRetaining() {
  if (!core_->transaction) throw EIBError("Транзакция не активна");
  // The interface stays the client's live transaction, cursors included: nothing to close.
  detail::Call([&] { core_->transaction->commitRetaining(core_->status.get()); });
}
void TIBTransaction::Rollback() {
  core_->Rollback();
}
bool TIBTransaction::InTransaction() const {
  return core_->transaction != nullptr;
}
TIBTransactionKind TIBTransaction::Kind() const {
  return core_->kind;
}

}  // namespace brindle::ibx
