// Inside the data-access layer only: the state behind TIBDatabase, TIBTransaction and
// TIBDataSet. Each public object owns one core on the heap, so fields, parameters and the
// registrations below keep their addresses when the public objects move. A connection knows its
// transactions and data sets so that closing it can end them first; a transaction knows its
// data sets so that ending it can close their cursors.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ibx/connection_string.h"
#include "ibx/dataset.h"
#include "ibx/fb_client.h"
#include "ibx/field.h"
#include "ibx/sql_params.h"
#include "ibx/transaction.h"

namespace brindle::ibx::detail {

struct TransactionCore;
struct DataSetCore;

struct DatabaseCore {
  DatabaseCore();
  ~DatabaseCore();

  void Attach(bool create, bool forced_writes);
  void Disconnect();
  void DisconnectQuietly() noexcept;
  // Rolls back the transactions and unprepares the data sets, before the attachment ends.
  void EndChildren() noexcept;
  Firebird::IAttachment* Attachment();  // raises when not connected

  std::string database_name;
  std::string user_name = kDatabaseUser;
  std::string password;
  Status status;
  Ref<Firebird::IProvider> provider;
  Firebird::IAttachment* attachment = nullptr;
  std::vector<TransactionCore*> transactions;
  std::vector<DataSetCore*> datasets;
  std::unique_ptr<TransactionCore> read_transaction;  // for data sets without their own
};

struct TransactionCore {
  TransactionCore(DatabaseCore& database, TIBTransactionKind kind);
  ~TransactionCore();

  void Start();
  // The running transaction, started when needed.
  Firebird::ITransaction* Active();
  void Commit();
  void Rollback();
  void RollbackQuietly() noexcept;
  void CloseCursors() noexcept;

  DatabaseCore* database;  // null once the connection is gone
  TIBTransactionKind kind;
  Status status;
  Firebird::ITransaction* transaction = nullptr;
  std::vector<DataSetCore*> datasets;
};

// Where a value sits in a message buffer, and what the server described.
struct Slot {
  unsigned type = 0;  // SQL_... without the nullable bit
  int sub_type = 0;
  int scale = 0;
  unsigned length = 0;
  unsigned charset = 0;
  unsigned offset = 0;
  unsigned null_offset = 0;
  TFieldType field_type = TFieldType::ftNull;  // as described, before any coercion
  std::string name;                            // UTF-8
  std::string relation;                        // UTF-8
};

// A message layout worked out once from a statement's metadata, with its buffer.
struct Message {
  void Describe(Status& status, Firebird::IMessageMetadata* meta, bool input,
                bool text_as_declared);
  unsigned char* Data() { return reinterpret_cast<unsigned char*>(buffer.data()); }
  bool IsNull(std::size_t i) const;
  void SetNull(std::size_t i, bool null);

  Ref<Firebird::IMessageMetadata> meta;
  std::vector<Slot> slots;
  std::vector<std::uint64_t> buffer;  // 8-byte aligned, as the offsets assume
};

struct DataSetCore {
  DataSetCore(DatabaseCore& database, TransactionCore* transaction);
  ~DataSetCore();

  void SetSQL(std::string_view text);
  void Prepare();
  void Unprepare() noexcept;
  void Open();
  void Next();
  void Close() noexcept;
  void ExecSQL();

  TIBField& FieldByName(std::string_view name);
  TIBField* FindField(std::string_view name);
  TIBParam& ParamByName(std::string_view name);

  void RequireRow() const;  // raises when there is no current row
  TIBValue FieldValue(std::size_t index);
  // Appends field `index` of the current row, which the caller has made sure of (RequireRow),
  // as TIBPackedRows keeps it.
  void PackField(std::size_t index, std::string& out);
  TIBValue InputValue(std::size_t place) const;
  void SetInput(const TIBParam& param, const TIBValue& value);

  DatabaseCore& Database();
  TransactionCore& Transaction();

  DatabaseCore* database;
  TransactionCore* transaction;  // null once an explicit transaction is gone
  Status status;
  std::string sql;
  bool param_check = true;
  bool text_params_as_declared = false;
  std::string server_text;  // sql as sent: positional parameters, WIN1251

  Firebird::IStatement* statement = nullptr;
  bool has_cursor = false;
  Message input;
  Message output;
  std::vector<std::optional<std::string>> input_blobs;  // content for BLOB places, as sent
  std::vector<TIBField> fields;
  std::vector<TIBParam> params;

  Firebird::IResultSet* cursor = nullptr;
  bool active = false;
  bool has_row = false;
  bool eof = true;
  std::int64_t rec_no = 0;
  bool executed = false;                            // by ExecSQL, since the last Close
  std::vector<std::optional<TIBValue>> blob_cache;  // per output slot, for the current row

 private:
  void PrepareOnServer();                        // sets statement from server_text
  void OpenCursor(Firebird::ITransaction* tra);  // and fetches the first row
  void Fetch();
  void WriteBlobs(Firebird::ITransaction* tra);
  std::string ReadBlob(const ISC_QUAD& id);
};

// The value of a slot whose bytes start at `value` (a VARCHAR's at its length); not for BLOBs.
TIBValue DecodeValue(const Slot& slot, const unsigned char* value);
// A BLOB's value from its content.
TIBValue DecodeBlob(const Slot& slot, std::string content);
// The value of one field packed by DataSetCore::PackField.
TIBValue UnpackValue(const Slot& slot, std::string_view packed);

}  // namespace brindle::ibx::detail
