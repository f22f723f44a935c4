// Rows of a query kept as the server sent them, packed one after another in one buffer: per field
// a null flag and the value's bytes (a number, date or time as the server holds it; CHAR at its
// declared length; VARCHAR its length and characters; a BLOB its whole content). Keeping a row
// this way costs one copy instead of a TIBValue per field, and two fields encoded alike hold
// equal values exactly when their bytes are equal, so rows of two connections compare with
// memcmp; a value is turned into a TIBValue only when asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ibx/value.h"

namespace brindle::ibx {

class TIBDataSet;

namespace detail {
struct Slot;
}

class TIBPackedRows {
 public:
  TIBPackedRows() = default;
  // 0, 1, ... count - 1: the fields of a select list of `count`.
  static std::vector<std::size_t> FirstFields(std::size_t count);

  // Appends the given fields of the data set's current row, in that order, reading BLOBs. Every
  // row of one object must come from data sets of one select list and the same fields.
  void Append(TIBDataSet& source, const std::vector<std::size_t>& fields);
  // Appends the first `fields` fields of a row of `from`; every row of one object must come
  // alike (from one select list, the same fields).
  void AppendRow(const TIBPackedRows& from, std::size_t row, std::size_t fields);
  // No rows; the buffers are kept for the next rows.
  void clear();

  std::size_t size() const { return rows_; }
  bool empty() const { return rows_ == 0; }
  std::size_t FieldCount() const { return fields_; }
  // Bytes of values held, for bounding memory.
  std::size_t Bytes() const { return data_.size(); }

  // The field's packed bytes, its null flag first.
  std::string_view Packed(std::size_t row, std::size_t field) const;
  // The bytes of fields [0, fields) of the row, back to back.
  std::string_view PackedPrefix(std::size_t row, std::size_t fields) const;
  bool IsNull(std::size_t row, std::size_t field) const { return Packed(row, field)[0] != 0; }
  // The value as TIBField::AsVariant gives it.
  TIBValue Value(std::size_t row, std::size_t field) const;

  // Whether `field` is encoded here exactly as `other_field` of `other` (type, scale, character
  // set, BLOB subtype and, for CHAR, length), so that equal bytes mean equal values. False when
  // either holds no row.
  bool SameEncoding(std::size_t field, const TIBPackedRows& other, std::size_t other_field) const;

 private:
  std::shared_ptr<const std::vector<detail::Slot>> slots_;  // per field
  std::size_t fields_ = 0;
  std::size_t rows_ = 0;
  std::string data_;
  // Per row, where each of its fields starts and where the row ends: fields_ + 1 each.
  std::vector<std::uint32_t> starts_;
};

}  // namespace brindle::ibx
