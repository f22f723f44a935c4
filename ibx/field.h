// Fields of a data set's current row and parameters of its statement. Both are views into
// their data set: they are valid until its SQL text changes, its connection closes or the data
// set is destroyed. The values and their text forms are those of value.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ibx/value.h"

namespace brindle::ibx {

namespace detail {
struct DataSetCore;
}

enum class TFieldType {
  ftSmallint,  // SMALLINT
  ftInteger,   // INTEGER
  ftLargeint,  // BIGINT
  ftBCD,       // NUMERIC / DECIMAL with a scale
  ftFloat,     // DOUBLE PRECISION, FLOAT
  ftString,    // CHAR, VARCHAR
  ftBytes,     // CHAR, VARCHAR of CHARACTER SET OCTETS
  ftDate,      // DATE
  ftTime,      // TIME
  ftDateTime,  // TIMESTAMP
  ftMemo,      // BLOB SUB_TYPE TEXT
  ftBlob,      // any other BLOB
  ftNull,      // an untyped NULL, as in "? IS NULL"
};

// A column of the current row. Reading a field when the data set has no current row raises
// EIBError; a BLOB is read from the server on first access and kept for the row.
class TIBField {
 public:
  // The column's name in the result (its alias), as in "SELECT X AS NAME".
  const std::string& FieldName() const;
  const std::string& RelationName() const;
  TFieldType DataType() const;
  // Bytes for text (one per character in WIN1251), the digits' scale for NUMERIC (≤ 0).
  unsigned Size() const;
  int Scale() const;
  std::size_t Index() const { return index_; }

  bool IsNull() const;
  std::string AsString() const;
  std::int32_t AsInteger() const;
  std::int64_t AsInt64() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  // The exact value, BLOB content included, for handing to a parameter of any connection.
  TIBValue AsVariant() const;

 private:
  friend struct detail::DataSetCore;
  TIBField(detail::DataSetCore* owner, std::size_t index) : owner_(owner), index_(index) {}

  detail::DataSetCore* owner_;
  std::size_t index_;
};

// A parameter of the statement. A name that occurs several times in the text is one parameter:
// setting it sets every place. A new parameter is NULL; a value stays until it is set again.
// A setter converts the value to the type the server described for each place and raises
// EIBError naming the parameter when it cannot.
class TIBParam {
 public:
  // The name without the colon; "" for a "?" of the text.
  const std::string& Name() const { return name_; }
  // The described type of the first place.
  TFieldType DataType() const;

  void Clear();  // NULL
  void SetAsString(std::string_view value);
  void SetAsInteger(std::int32_t value);
  void SetAsLong(std::int32_t value) { SetAsInteger(value); }
  void SetAsInt64(std::int64_t value);
  void SetAsFloat(double value);
  void SetAsDateTime(TDateTime value);
  void SetAsVariant(const TIBValue& value);

  // The value as set, read back from the first place.
  bool IsNull() const;
  std::string AsString() const;
  TIBValue AsVariant() const;

 private:
  friend struct detail::DataSetCore;
  TIBParam(detail::DataSetCore* owner, std::string name, std::vector<std::size_t> places)
      : owner_(owner), name_(std::move(name)), places_(std::move(places)) {}

  detail::DataSetCore* owner_;
  std::string name_;
  std::vector<std::size_t> places_;  // positions of "?" in the statement
};

}  // namespace brindle::ibx
