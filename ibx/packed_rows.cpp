#include "ibx/packed_rows.h"

#include <limits>
#include <numeric>

#include "ibx/core.h"
#include "ibx/ib_error.h"

namespace brindle::ibx {

std::vector<std::size_t> TIBPackedRows::FirstFields(std::size_t count) {
  std::vector<std::size_t> fields(count);
  std::iota(fields.begin(), fields.end(), std::size_t{0});
  return fields;
}

void TIBPackedRows::Append(TIBDataSet& source, const std::vector<std::size_t>& fields) {
  detail::DataSetCore& core = *source.core_;
  core.RequireRow();
  if (!slots_) {
    std::vector<detail::Slot> slots;
    for (const std::size_t field : fields) slots.push_back(core.output.slots.at(field));
    slots_ = std::make_shared<const std::vector<detail::Slot>>(std::move(slots));
    fields_ = fields.size();
  }
  const std::size_t row_start = data_.size();
  const std::size_t starts_size = starts_.size();
  try {
    for (const std::size_t field : fields) {
      starts_.push_back(static_cast<std::uint32_t>(data_.size()));
      core.PackField(field, data_);
    }
    if (data_.size() > std::numeric_limits<std::uint32_t>::max()) {
      throw EIBError("Строки запроса не помещаются в память одним блоком: " + core.sql);
    }
  } catch (...) {
    data_.resize(row_start);
    starts_.resize(starts_size);
    throw;
  }
  starts_.push_back(static_cast<std::uint32_t>(data_.size()));
  ++rows_;
}

void TIBPackedRows::AppendRow(const TIBPackedRows& from, std::size_t row, std::size_t fields) {
  if (!slots_) {
    slots_ = from.slots_;
    fields_ = std::min(fields, from.fields_);
  }
  const std::string_view bytes = from.PackedPrefix(row, fields_);
  if (data_.size() + bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw EIBError("Строки не помещаются в память одним блоком");
  }
  const std::size_t first = row * (from.fields_ + 1);
  const auto shift = static_cast<std::int64_t>(data_.size()) - from.starts_[first];
  for (std::size_t i = 0; i <= fields_; ++i) {
    starts_.push_back(static_cast<std::uint32_t>(from.starts_[first + i] + shift));
  }
  data_.append(bytes);
  ++rows_;
}

void TIBPackedRows::clear() {
  rows_ = 0;
  data_.clear();
  starts_.clear();
}

std::string_view TIBPackedRows::Packed(std::size_t row, std::size_t field) const {
  const std::size_t at = row * (fields_ + 1) + field;
  return std::string_view(data_).substr(starts_[at], starts_[at + 1] - starts_[at]);
}

std::string_view TIBPackedRows::PackedPrefix(std::size_t row, std::size_t fields) const {
  const std::size_t at = row * (fields_ + 1);
  return std::string_view(data_).substr(starts_[at], starts_[at + fields] - starts_[at]);
}

TIBValue TIBPackedRows::Value(std::size_t row, std::size_t field) const {
  return detail::UnpackValue((*slots_)[field], Packed(row, field));
}

bool TIBPackedRows::SameEncoding(std::size_t field, const TIBPackedRows& other,
                                 std::size_t other_field) const {
  if (!slots_ || !other.slots_) return false;
  const detail::Slot& a = (*slots_)[field];
  const detail::Slot& b = (*other.slots_)[other_field];
  // A character set's collation (its high byte) does not change the bytes.
  return a.type == b.type && a.scale == b.scale && (a.charset & 0xFF) == (b.charset & 0xFF) &&
         (a.type != SQL_BLOB || a.sub_type == b.sub_type) &&
         (a.type != SQL_TEXT || a.length == b.length);
}

}  // namespace brindle::ibx
