#include "ibx/dataset.h"

#include <ibase.h>

#include <algorithm>
#include <cstring>

#include "ibx/core.h"
#include "ibx/database.h"
#include "ibx/win1251.h"
#include "platform/text.h"

namespace brindle::ibx {

namespace detail {

namespace {

constexpr unsigned kCharsetOctets = 1;
constexpr unsigned kBlobSubTypeText = 1;
// The longest VARCHAR, in bytes. Text parameters are sent in this form so that the server
// checks the declared length and reports a value that is too long with its own message.
constexpr unsigned kMaxVarChar = 32765;
constexpr unsigned kBlobSegment = 32768;

template <class T>
T Load(const unsigned char* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

template <class T>
void Store(unsigned char* p, T value) {
  std::memcpy(p, &value, sizeof value);
}

std::optional<TFieldType> FieldTypeOf(unsigned type, int sub_type, int scale, unsigned charset) {
  switch (type) {
    case SQL_SHORT:
      return scale < 0 ? TFieldType::ftBCD : TFieldType::ftSmallint;
    case SQL_LONG:
      return scale < 0 ? TFieldType::ftBCD : TFieldType::ftInteger;
    case SQL_INT64:
      return scale < 0 ? TFieldType::ftBCD : TFieldType::ftLargeint;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return TFieldType::ftFloat;
    case SQL_TEXT:
    case SQL_VARYING:
      return (charset & 0xFF) == kCharsetOctets ? TFieldType::ftBytes : TFieldType::ftString;
    case SQL_TYPE_DATE:
      return TFieldType::ftDate;
    case SQL_TYPE_TIME:
      return TFieldType::ftTime;
    case SQL_TIMESTAMP:
      return TFieldType::ftDateTime;
    case SQL_BLOB:
      return sub_type == static_cast<int>(kBlobSubTypeText) ? TFieldType::ftMemo
                                                            : TFieldType::ftBlob;
    case SQL_NULL:
      return TFieldType::ftNull;
    default:
      return std::nullopt;
  }
}

TIBValue Number(std::int64_t value, int scale) {
  return scale < 0 ? TIBValue::Decimal(value, scale) : TIBValue::Int(value);
}

TIBValue DecodeText(const Slot& slot, std::string_view bytes) {
  if ((slot.charset & 0xFF) == kCharsetOctets) return TIBValue::Bytes(std::string(bytes));
  return TIBValue::Text(Win1251ToUtf8(bytes));
}

std::string EncodeText(const Slot& slot, const TIBValue& value) {
  if (const auto* bytes = std::get_if<TIBBytes>(&value.Get())) return bytes->bytes;
  if ((slot.charset & 0xFF) == kCharsetOctets) return value.AsString();
  return Utf8ToWin1251(value.AsString());
}

std::string ParamLabel(const TIBParam& param, std::size_t place) {
  return param.Name().empty() ? "Параметр " + std::to_string(place + 1)
                              : "Параметр \"" + param.Name() + "\"";
}

}  // namespace

TIBValue DecodeValue(const Slot& slot, const unsigned char* p) {
  switch (slot.type) {
    case SQL_SHORT:
      return Number(Load<std::int16_t>(p), slot.scale);
    case SQL_LONG:
      return Number(Load<std::int32_t>(p), slot.scale);
    case SQL_INT64:
      return Number(Load<std::int64_t>(p), slot.scale);
    case SQL_FLOAT:
      return TIBValue::Float(Load<float>(p));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return TIBValue::Float(Load<double>(p));
    case SQL_TEXT:
      return DecodeText(slot, std::string_view(reinterpret_cast<const char*>(p), slot.length));
    case SQL_VARYING:
      return DecodeText(
          slot, std::string_view(reinterpret_cast<const char*>(p) + 2, Load<std::uint16_t>(p)));
    case SQL_TYPE_DATE:
      return TIBValue::Date(TIBDate{Load<ISC_DATE>(p)});
    case SQL_TYPE_TIME:
      return TIBValue::Time(TIBTime{Load<ISC_TIME>(p)});
    case SQL_TIMESTAMP: {
      const auto stamp = Load<ISC_TIMESTAMP>(p);
      return TIBValue::Timestamp({TIBDate{stamp.timestamp_date}, TIBTime{stamp.timestamp_time}});
    }
    default:
      return TIBValue::Null();
  }
}

TIBValue DecodeBlob(const Slot& slot, std::string content) {
  return slot.sub_type == static_cast<int>(kBlobSubTypeText)
             ? TIBValue::Text(Win1251ToUtf8(content))
             : TIBValue::Bytes(std::move(content));
}

TIBValue UnpackValue(const Slot& slot, std::string_view packed) {
  if (packed.empty() || packed[0] != 0) return TIBValue::Null();
  packed.remove_prefix(1);
  if (slot.type == SQL_BLOB) return DecodeBlob(slot, std::string(packed));
  return DecodeValue(slot, reinterpret_cast<const unsigned char*>(packed.data()));
}

void Message::Describe(Status& status, Firebird::IMessageMetadata* raw, bool input,
                       bool text_as_declared) {
  meta.reset(raw);
  auto* st = status.get();
  const unsigned count = Call([&] { return meta->getCount(st); });
  std::vector<std::optional<TFieldType>> described(count);
  for (unsigned i = 0; i < count; ++i) {
    Call([&] {
      described[i] = FieldTypeOf(meta->getType(st, i) & ~1u, meta->getSubType(st, i),
                                 meta->getScale(st, i), meta->getCharSet(st, i));
    });
  }
  if (input && count > 0) {
    // Integers go as BIGINT, floating point as DOUBLE and text as the longest VARCHAR, so that
    // the server converts and range-checks with its own messages; every place may be NULL.
    Ref<Firebird::IMetadataBuilder> builder(Call([&] { return meta->getBuilder(st); }));
    for (unsigned i = 0; i < count; ++i) {
      const unsigned type = Call([&] { return meta->getType(st, i); }) & ~1u;
      Call([&] {
        switch (type) {
          case SQL_SHORT:
          case SQL_LONG:
          case SQL_INT64:
            builder->setType(st, i, SQL_INT64 | 1);
            builder->setLength(st, i, sizeof(std::int64_t));
            break;
          case SQL_FLOAT:
          case SQL_DOUBLE:
          case SQL_D_FLOAT:
            builder->setType(st, i, SQL_DOUBLE | 1);
            builder->setLength(st, i, sizeof(double));
            break;
          case SQL_TEXT:
          case SQL_VARYING:
            builder->setType(st, i, SQL_VARYING | 1);
            builder->setLength(st, i, text_as_declared ? meta->getLength(st, i) : kMaxVarChar);
            break;
          default:
            builder->setType(st, i, type | 1);
        }
      });
    }
    meta.reset(Call([&] { return builder->getMetadata(st); }));
  }
  slots.clear();
  slots.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    Slot slot;
    Call([&] {
      slot.type = meta->getType(st, i) & ~1u;
      slot.sub_type = meta->getSubType(st, i);
      slot.scale = meta->getScale(st, i);
      slot.length = meta->getLength(st, i);
      slot.charset = meta->getCharSet(st, i);
      slot.offset = meta->getOffset(st, i);
      slot.null_offset = meta->getNullOffset(st, i);
      slot.name = Win1251ToUtf8(meta->getAlias(st, i));
      slot.relation = Win1251ToUtf8(meta->getRelation(st, i));
    });
    const auto field_type = described[i];
    if (!field_type) {
      throw EIBError((input ? "Параметр " + std::to_string(i + 1) : "Поле \"" + slot.name + "\"") +
                     ": тип данных " + std::to_string(slot.type) + " не поддерживается");
    }
    slot.field_type = *field_type;
    slots.push_back(std::move(slot));
  }
  const unsigned length = Call([&] { return meta->getMessageLength(st); });
  buffer.assign((length + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
  for (std::size_t i = 0; i < slots.size(); ++i) SetNull(i, true);
}

bool Message::IsNull(std::size_t i) const {
  const auto* data = reinterpret_cast<const unsigned char*>(buffer.data());
  return Load<std::int16_t>(data + slots[i].null_offset) != 0;
}

void Message::SetNull(std::size_t i, bool null) {
  Store<std::int16_t>(Data() + slots[i].null_offset, null ? -1 : 0);
}

DataSetCore::DataSetCore(DatabaseCore& db, TransactionCore* explicit_transaction)
    : database(&db),
      transaction(explicit_transaction ? explicit_transaction : db.read_transaction.get()) {
  if (transaction->database != &db) {
    throw EIBError("Транзакция относится к другому подключению к базе данных");
  }
  database->datasets.push_back(this);
  transaction->datasets.push_back(this);
}

DataSetCore::~DataSetCore() {
  Unprepare();
  if (transaction) std::erase(transaction->datasets, this);
  if (database) std::erase(database->datasets, this);
}

DatabaseCore& DataSetCore::Database() {
  if (!database) throw EIBError("Подключение к базе данных уничтожено");
  return *database;
}

TransactionCore& DataSetCore::Transaction() {
  if (!transaction) throw EIBError("Транзакция набора данных уничтожена");
  return *transaction;
}

void DataSetCore::SetSQL(std::string_view text) {
  if (text == sql) return;
  Unprepare();
  sql = text;
}

void DataSetCore::Prepare() {
  if (statement) return;
  if (Trim(sql).empty()) throw EIBError("Не задан текст запроса");
  TSqlParamMap map = param_check ? MapNamedParams(sql) : TSqlParamMap{sql, {}};
  server_text = Utf8ToWin1251(map.sql);
  PrepareOnServer();
  auto* st = status.get();
  try {
    const unsigned type = Call([&] { return statement->getType(st); });
    if (type == isc_info_sql_stmt_start_trans || type == isc_info_sql_stmt_commit ||
        type == isc_info_sql_stmt_rollback) {
      throw EIBError("Транзакциями управляет TIBTransaction, а не текст запроса: " + sql);
    }
    has_cursor =
        Call([&] { return statement->getFlags(st); }) & Firebird::IStatement::FLAG_HAS_CURSOR;
    input.Describe(status, Call([&] { return statement->getInputMetadata(st); }), true,
                   text_params_as_declared);
    output.Describe(status, Call([&] { return statement->getOutputMetadata(st); }), false, false);

    if (!param_check) map.names.assign(input.slots.size(), std::string());
    if (map.names.size() != input.slots.size()) {
      throw EIBError("Параметров в тексте запроса " + std::to_string(map.names.size()) +
                     ", а сервер ожидает " + std::to_string(input.slots.size()) + ": " + sql);
    }
    input_blobs.assign(input.slots.size(), std::nullopt);
    params.reserve(map.names.size());
    for (std::size_t place = 0; place < map.names.size(); ++place) {
      const std::string& name = map.names[place];
      auto same = std::find_if(params.begin(), params.end(), [&](const TIBParam& p) {
        return !name.empty() && SameText(p.name_, name);
      });
      if (same != params.end()) {
        same->places_.push_back(place);
      } else {
        params.push_back(TIBParam(this, name, {place}));
      }
    }
    fields.reserve(output.slots.size());
    for (std::size_t i = 0; i < output.slots.size(); ++i) fields.push_back(TIBField(this, i));
    blob_cache.assign(output.slots.size(), std::nullopt);
  } catch (...) {
    Unprepare();
    throw;
  }
}

void DataSetCore::PrepareOnServer() {
  Firebird::IAttachment* attachment = Database().Attachment();
  Firebird::ITransaction* tra = Transaction().Active();
  auto* st = status.get();
  statement = Call([&] {
    return attachment->prepare(st, tra, static_cast<unsigned>(server_text.size()),
                               server_text.c_str(), SQL_DIALECT_V6,
                               Firebird::IStatement::PREPARE_PREFETCH_METADATA);
  });
}

void DataSetCore::Unprepare() noexcept {
  Close();
  CloseQuietly(statement, [&](Firebird::IStatement* s) { s->free(status.get()); });
  has_cursor = false;
  input = Message();
  output = Message();
  input_blobs.clear();
  fields.clear();
  params.clear();
  blob_cache.clear();
}

void DataSetCore::Close() noexcept {
  executed = false;
  CloseQuietly(cursor, [&](Firebird::IResultSet* c) { c->close(status.get()); });
  active = false;
  has_row = false;
  eof = true;
  rec_no = 0;
}

void DataSetCore::WriteBlobs(Firebird::ITransaction* tra) {
  auto* st = status.get();
  for (std::size_t place = 0; place < input_blobs.size(); ++place) {
    if (!input_blobs[place] || input.IsNull(place)) continue;
    const std::string& content = *input_blobs[place];
    Firebird::IAttachment* attachment = Database().Attachment();
    ISC_QUAD id{};
    Firebird::IBlob* blob = Call([&] { return attachment->createBlob(st, tra, &id, 0, nullptr); });
    try {
      for (std::size_t pos = 0; pos < content.size(); pos += kBlobSegment) {
        const auto length =
            static_cast<unsigned>(std::min<std::size_t>(kBlobSegment, content.size() - pos));
        Call([&] { blob->putSegment(st, length, content.data() + pos); });
      }
    } catch (...) {
      CloseQuietly(blob, [&](Firebird::IBlob* b) { b->cancel(st); });
      throw;
    }
    CloseOrRaise(blob, [&](Firebird::IBlob* b) { b->close(st); });
    Store(input.Data() + input.slots[place].offset, id);
  }
}

std::string DataSetCore::ReadBlob(const ISC_QUAD& id) {
  Firebird::IAttachment* attachment = Database().Attachment();
  Firebird::ITransaction* tra = Transaction().transaction;
  if (!tra) throw EIBError("BLOB нельзя прочитать: транзакция набора данных завершена");
  auto* st = status.get();
  ISC_QUAD blob_id = id;
  Firebird::IBlob* blob = Call([&] { return attachment->openBlob(st, tra, &blob_id, 0, nullptr); });
  std::string content;
  try {
    std::vector<char> buffer(kBlobSegment);
    for (;;) {
      unsigned length = 0;
      const int result = Call([&] {
        return blob->getSegment(st, static_cast<unsigned>(buffer.size()), buffer.data(), &length);
      });
      if (result != Firebird::IStatus::RESULT_OK && result != Firebird::IStatus::RESULT_SEGMENT) {
        break;
      }
      content.append(buffer.data(), length);
    }
  } catch (...) {
    CloseQuietly(blob, [&](Firebird::IBlob* b) { b->close(st); });
    throw;
  }
  CloseOrRaise(blob, [&](Firebird::IBlob* b) { b->close(st); });
  return content;
}

void DataSetCore::Open() {
  Prepare();
  Close();
  if (!has_cursor && output.slots.empty()) {
    throw EIBError("Запрос не возвращает строк, его выполняет ExecSQL: " + sql);
  }
  Firebird::ITransaction* tra = Transaction().Active();
  WriteBlobs(tra);
  auto* st = status.get();
  std::fill(blob_cache.begin(), blob_cache.end(), std::nullopt);
  if (has_cursor) {
    try {
      OpenCursor(tra);
    } catch (const EIBError& e) {
      if (!e.HasErrorCode(isc_dsql_cursor_open_err)) throw;
      // The server still holds the cursor of our last Close. The client sends a close with the
      // next request and drops the server's answer, so when the close failed (a server going
      // down does that) its error is lost and this misleading one comes instead. A statement of
      // its own either opens or fails with the true cause. Same text, so the same messages.
      Close();
      CloseQuietly(statement, [&](Firebird::IStatement* s) { s->free(st); });
      PrepareOnServer();
      OpenCursor(tra);
    }
  } else {
    // A procedure or a RETURNING clause: one row.
    Call([&] {
      statement->execute(st, tra, input.meta.get(), input.Data(), output.meta.get(), output.Data());
    });
    active = true;
    eof = false;
    has_row = true;
    rec_no = 1;
  }
}

void DataSetCore::OpenCursor(Firebird::ITransaction* tra) {
  auto* st = status.get();
  cursor = Call([&] {
    return statement->openCursor(st, tra, input.meta.get(), input.Data(), output.meta.get(), 0);
  });
  active = true;
  eof = false;
  // The client sends the open with this first fetch, so the open's own errors arise here.
  Fetch();
}

void DataSetCore::Fetch() {
  has_row = false;
  const int result = Call([&] { return cursor->fetchNext(status.get(), output.Data()); });
  if (result == Firebird::IStatus::RESULT_OK) {
    has_row = true;
    ++rec_no;
    std::fill(blob_cache.begin(), blob_cache.end(), std::nullopt);
    return;
  }
  // Past the last row the server's cursor is of no more use.
  eof = true;
  CloseQuietly(cursor, [&](Firebird::IResultSet* c) { c->close(status.get()); });
}

void DataSetCore::Next() {
  if (!active) throw EIBError("Набор данных не открыт: " + sql);
  if (eof) return;
  if (cursor) {
    Fetch();
  } else {
    has_row = false;
    eof = true;
  }
}

void DataSetCore::ExecSQL() {
  Prepare();
  Close();
  if (has_cursor) throw EIBError("Запрос возвращает строки, его открывает Open: " + sql);
  Firebird::ITransaction* tra = Transaction().Active();
  WriteBlobs(tra);
  auto* st = status.get();
  std::fill(blob_cache.begin(), blob_cache.end(), std::nullopt);
  executed = false;
  Firebird::IMessageMetadata* out = output.slots.empty() ? nullptr : output.meta.get();
  Call([&] {
    statement->execute(st, tra, input.meta.get(), input.Data(), out, out ? output.Data() : nullptr);
  });
  executed = true;
  has_row = out != nullptr;
}

TIBField* DataSetCore::FindField(std::string_view name) {
  Prepare();
  for (TIBField& field : fields) {
    if (SameText(output.slots[field.Index()].name, name)) return &field;
  }
  return nullptr;
}

TIBField& DataSetCore::FieldByName(std::string_view name) {
  if (TIBField* field = FindField(name)) return *field;
  throw EIBError("Поле \"" + std::string(name) + "\" не найдено в запросе: " + sql);
}

TIBParam& DataSetCore::ParamByName(std::string_view name) {
  Prepare();
  for (TIBParam& param : params) {
    if (!name.empty() && SameText(param.Name(), name)) return param;
  }
  throw EIBError("Параметр \"" + std::string(name) + "\" не найден в запросе: " + sql);
}

void DataSetCore::RequireRow() const {
  if (!has_row) throw EIBError("Нет текущей строки: набор данных закрыт или пройден до конца");
}

TIBValue DataSetCore::FieldValue(std::size_t index) {
  RequireRow();
  if (output.IsNull(index)) return TIBValue::Null();
  const Slot& slot = output.slots[index];
  if (slot.type != SQL_BLOB) return DecodeValue(slot, output.Data() + slot.offset);
  if (!blob_cache[index]) {
    blob_cache[index] = DecodeBlob(slot, ReadBlob(Load<ISC_QUAD>(output.Data() + slot.offset)));
  }
  return *blob_cache[index];
}

void DataSetCore::PackField(std::size_t index, std::string& out) {
  if (output.IsNull(index)) {
    out.push_back(1);
    return;
  }
  out.push_back(0);
  const Slot& slot = output.slots[index];
  const char* value = reinterpret_cast<const char*>(output.Data() + slot.offset);
  switch (slot.type) {
    case SQL_VARYING:
      out.append(value, 2 + Load<std::uint16_t>(output.Data() + slot.offset));
      break;
    case SQL_BLOB:
      out.append(ReadBlob(Load<ISC_QUAD>(output.Data() + slot.offset)));
      break;
    default:
      out.append(value, slot.length);
  }
}

TIBValue DataSetCore::InputValue(std::size_t place) const {
  if (input.IsNull(place)) return TIBValue::Null();
  const Slot& slot = input.slots[place];
  if (slot.type == SQL_BLOB) return DecodeBlob(slot, *input_blobs[place]);
  return DecodeValue(slot,
                     reinterpret_cast<const unsigned char*>(input.buffer.data()) + slot.offset);
}

void DataSetCore::SetInput(const TIBParam& param, const TIBValue& value) {
  std::size_t place = 0;
  try {
    for (std::size_t p : param.places_) {
      place = p;
      const Slot& slot = input.slots[place];
      unsigned char* data = input.Data() + slot.offset;
      input_blobs[place].reset();
      if (value.IsNull()) {
        input.SetNull(place, true);
        continue;
      }
      switch (slot.type) {
        case SQL_INT64:
          Store(data, value.AsScaled(slot.scale));
          break;
        case SQL_DOUBLE:
          Store(data, value.AsFloat());
          break;
        case SQL_VARYING: {
          const std::string bytes = EncodeText(slot, value);
          if (bytes.size() > slot.length) {
            throw EIBError("Текст длиной " + std::to_string(bytes.size()) +
                           " байт длиннее наибольшего допустимого, " + std::to_string(slot.length) +
                           " байт");
          }
          Store(data, static_cast<std::uint16_t>(bytes.size()));
          std::memcpy(data + 2, bytes.data(), bytes.size());
          break;
        }
        case SQL_TYPE_DATE:
          Store<ISC_DATE>(data, value.AsDate().days);
          break;
        case SQL_TYPE_TIME:
          Store<ISC_TIME>(data, value.AsTime().fractions);
          break;
        case SQL_TIMESTAMP: {
          const TIBTimestamp stamp = value.AsTimestamp();
          Store(data, ISC_TIMESTAMP{stamp.date.days, stamp.time.fractions});
          break;
        }
        case SQL_BLOB:
          input_blobs[place] = slot.sub_type == static_cast<int>(kBlobSubTypeText)
                                   ? EncodeText(slot, value)
                                   : value.AsString();
          break;
        default:  // SQL_NULL: only the flag travels
          break;
      }
      input.SetNull(place, false);
    }
  } catch (const EIBError& e) {
    // A value that fits only some places is not left half set.
    for (std::size_t p : param.places_) {
      input.SetNull(p, true);
      input_blobs[p].reset();
    }
    RaiseInContext(e, ParamLabel(param, place));
  }
}

}  // namespace detail

TIBDataSet::TIBDataSet(TIBDatabase& database, TIBTransaction* transaction)
    : core_(std::make_unique<detail::DataSetCore>(database.Core(),
                                                  transaction ? &transaction->Core() : nullptr)) {}
TIBDataSet::~TIBDataSet() = default;
TIBDataSet::TIBDataSet(TIBDataSet&&) noexcept = default;
TIBDataSet& TIBDataSet::operator=(TIBDataSet&&) noexcept = default;

void TIBDataSet::SetSelectSQL(std::string_view sql) {
  core_->SetSQL(sql);
}
const std::string& TIBDataSet::SelectSQL() const {
  return core_->sql;
}

void TIBDataSet::SetParamCheck(bool on) {
  if (on == core_->param_check) return;
  core_->Unprepare();
  core_->param_check = on;
}

void TIBDataSet::SetTextParamsAsDeclared(bool on) {
  if (on == core_->text_params_as_declared) return;
  core_->Unprepare();
  core_->text_params_as_declared = on;
}

void TIBDataSet::Prepare() {
  core_->Prepare();
}
bool TIBDataSet::Prepared() const {
  return core_->statement != nullptr;
}
void TIBDataSet::Open() {
  core_->Open();
}
void TIBDataSet::Next() {
  core_->Next();
}
bool TIBDataSet::Eof() const {
  return core_->eof;
}
bool TIBDataSet::Active() const {
  return core_->active;
}
std::int64_t TIBDataSet::RecNo() const {
  return core_->has_row ? core_->rec_no : 0;
}
void TIBDataSet::Close() {
  core_->Close();
}
void TIBDataSet::ExecSQL() {
  core_->ExecSQL();
}
std::int64_t TIBDataSet::RowsAffected() {
  // Asked of the server only when wanted: it costs a round trip.
  if (!core_->executed || !core_->statement) return 0;
  return static_cast<std::int64_t>(
      detail::Call([&] { return core_->statement->getAffectedRecords(core_->status.get()); }));
}

std::size_t TIBDataSet::FieldCount() {
  core_->Prepare();
  return core_->fields.size();
}

TIBField& TIBDataSet::Fields(std::size_t index) {
  core_->Prepare();
  if (index >= core_->fields.size()) {
    throw EIBError("Поля с номером " + std::to_string(index) + " нет: в запросе " +
                   std::to_string(core_->fields.size()) + " полей");
  }
  return core_->fields[index];
}

TIBField& TIBDataSet::FieldByName(std::string_view name) {
  return core_->FieldByName(name);
}
TIBField* TIBDataSet::FindField(std::string_view name) {
  return core_->FindField(name);
}

std::size_t TIBDataSet::ParamCount() {
  core_->Prepare();
  return core_->params.size();
}

TIBParam& TIBDataSet::Params(std::size_t index) {
  core_->Prepare();
  if (index >= core_->params.size()) {
    throw EIBError("Параметра с номером " + std::to_string(index) + " нет: в запросе " +
                   std::to_string(core_->params.size()) + " параметров");
  }
  return core_->params[index];
}

TIBParam& TIBDataSet::ParamByName(std::string_view name) {
  return core_->ParamByName(name);
}

}  // namespace brindle::ibx
