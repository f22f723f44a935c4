#include "ibx/database.h"

#include <ibase.h>

#include <algorithm>

#include "ibx/connection_string.h"
#include "ibx/core.h"
#include "platform/text.h"

namespace brindle::ibx {

namespace detail {

DatabaseCore::DatabaseCore() : provider(Master()->getDispatcher()) {
  read_transaction = std::make_unique<TransactionCore>(*this, TIBTransactionKind::ReadOnly);
}

DatabaseCore::~DatabaseCore() {
  DisconnectQuietly();
  read_transaction.reset();
  for (TransactionCore* t : transactions) t->database = nullptr;
  for (DataSetCore* d : datasets) d->database = nullptr;
}

Firebird::IAttachment* DatabaseCore::Attachment() {
  if (!attachment) throw EIBError("Нет подключения к базе данных " + database_name);
  return attachment;
}

void DatabaseCore::Attach(bool create, bool forced_writes) {
  if (attachment) {
    if (create) throw EIBError("Подключение уже открыто: " + database_name);
    return;
  }
  if (database_name.empty()) throw EIBError("Не задано имя базы данных");
  ParameterBlock dpb(status, Firebird::IXpbBuilder::DPB);
  // Every string of the block, the file name included, is UTF-8 like the program's own.
  dpb.Tag(isc_dpb_utf8_filename)
      .String(isc_dpb_user_name, user_name)
      .String(isc_dpb_password, password)
      .String(isc_dpb_lc_ctype, kDatabaseCharset);
  if (create) {
    dpb.String(isc_dpb_set_db_charset, kDatabaseCharset).Int(isc_dpb_sql_dialect, SQL_DIALECT_V6);
    if (!forced_writes) dpb.Int(isc_dpb_force_write, 0);
  }
  const unsigned length = dpb.Length();
  const unsigned char* buffer = dpb.Buffer();
  attachment = Call([&] {
    return create ? provider->createDatabase(status.get(), database_name.c_str(), length, buffer)
                  : provider->attachDatabase(status.get(), database_name.c_str(), length, buffer);
  });
}

void DatabaseCore::EndChildren() noexcept {
  for (DataSetCore* d : datasets) d->Unprepare();
  for (TransactionCore* t : transactions) t->RollbackQuietly();
}

void DatabaseCore::Disconnect() {
  if (!attachment) return;
  EndChildren();
  CloseOrRaise(attachment, [&](Firebird::IAttachment* a) { a->detach(status.get()); });
}

void DatabaseCore::DisconnectQuietly() noexcept {
  if (!attachment) return;
  EndChildren();
  CloseQuietly(attachment, [&](Firebird::IAttachment* a) { a->detach(status.get()); });
}

}  // namespace detail

TIBDatabase::TIBDatabase() : core_(std::make_unique<detail::DatabaseCore>()) {}
TIBDatabase::~TIBDatabase() = default;
TIBDatabase::TIBDatabase(TIBDatabase&&) noexcept = default;
TIBDatabase& TIBDatabase::operator=(TIBDatabase&&) noexcept = default;

detail::DatabaseCore& TIBDatabase::Core() const {
  return *core_;
}

void TIBDatabase::SetDatabaseName(std::string name) {
  core_->database_name = std::move(name);
}
const std::string& TIBDatabase::DatabaseName() const {
  return core_->database_name;
}

void TIBDatabase::SetConnection(std::string_view host, int port, std::string_view path) {
  core_->database_name = BuildConnStr(host, port, path);
}

void TIBDatabase::SetUserName(std::string user) {
  core_->user_name = std::move(user);
}
const std::string& TIBDatabase::UserName() const {
  return core_->user_name;
}
void TIBDatabase::SetPassword(std::string password) {
  core_->password = std::move(password);
}

void TIBDatabase::SetCharacterSet(std::string_view charset) {
  if (!SameText(charset, kDatabaseCharset)) {
    throw EIBError("Кодировка подключения \"" + std::string(charset) +
                   "\" не поддерживается: подключения используют только WIN1251");
  }
}

void TIBDatabase::Open() {
  core_->Attach(false, true);
}
void TIBDatabase::Close() {
  core_->Disconnect();
}
bool TIBDatabase::Connected() const {
  return core_->attachment != nullptr;
}

void TIBDatabase::CreateDatabase(bool forced_writes) {
  core_->Attach(true, forced_writes);
}

void TIBDatabase::DropDatabase() {
  Firebird::IAttachment* attachment = core_->Attachment();
  core_->EndChildren();
  // On success the client has released the attachment; on failure it stays connected.
  detail::Call([&] { attachment->dropDatabase(core_->status.get()); });
  core_->attachment = nullptr;
}

std::vector<std::string> TIBDatabase::GetTableNames(bool system_tables) {
  detail::DataSetCore query(*core_, nullptr);
  query.SetSQL(system_tables ? "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS "
                               "WHERE RDB$VIEW_BLR IS NULL ORDER BY 1"
                             : "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS "
                               "WHERE RDB$VIEW_BLR IS NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
                               "ORDER BY 1");
  std::vector<std::string> names;
  for (query.Open(); !query.eof; query.Next()) {
    names.emplace_back(Trim(query.FieldValue(0).AsString()));
  }
  return names;
}

}  // namespace brindle::ibx
