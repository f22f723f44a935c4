#include "ibx/field.h"

#include "ibx/core.h"

namespace brindle::ibx {

namespace {

// Failures name the field, so that a message tells which column could not be read.
template <class Body>
decltype(auto) InField(const std::string& name, Body&& body) {
  try {
    return body();
  } catch (const EIBError& e) {
    RaiseInContext(e, "Поле \"" + name + "\"");
  }
}

}  // namespace

const std::string& TIBField::FieldName() const {
  return owner_->output.slots[index_].name;
}
const std::string& TIBField::RelationName() const {
  return owner_->output.slots[index_].relation;
}
TFieldType TIBField::DataType() const {
  return owner_->output.slots[index_].field_type;
}
unsigned TIBField::Size() const {
  return owner_->output.slots[index_].length;
}
int TIBField::Scale() const {
  return owner_->output.slots[index_].scale;
}

bool TIBField::IsNull() const {
  return InField(FieldName(), [&] {
    owner_->RequireRow();
    return owner_->output.IsNull(index_);
  });
}

TIBValue TIBField::AsVariant() const {
  return InField(FieldName(), [&] { return owner_->FieldValue(index_); });
}

std::string TIBField::AsString() const {
  return InField(FieldName(), [&] { return owner_->FieldValue(index_).AsString(); });
}

std::int32_t TIBField::AsInteger() const {
  return InField(FieldName(), [&] { return owner_->FieldValue(index_).AsInteger(); });
}

std::int64_t TIBField::AsInt64() const {
  return InField(FieldName(), [&] { return owner_->FieldValue(index_).AsInt64(); });
}

double TIBField::AsFloat() const {
  return InField(FieldName(), [&] { return owner_->FieldValue(index_).AsFloat(); });
}

TDateTime TIBField::AsDateTime() const {
  return InField(FieldName(), [&] { return owner_->FieldValue(index_).AsDateTime(); });
}

TFieldType TIBParam::DataType() const {
  return owner_->input.slots[places_.front()].field_type;
}

void TIBParam::Clear() {
  owner_->SetInput(*this, TIBValue::Null());
}
void TIBParam::SetAsString(std::string_view value) {
  owner_->SetInput(*this, TIBValue::Text(std::string(value)));
}
void TIBParam::SetAsInteger(std::int32_t value) {
  owner_->SetInput(*this, TIBValue::Int(value));
}
void TIBParam::SetAsInt64(std::int64_t value) {
  owner_->SetInput(*this, TIBValue::Int(value));
}
void TIBParam::SetAsFloat(double value) {
  owner_->SetInput(*this, TIBValue::Float(value));
}
void TIBParam::SetAsDateTime(TDateTime value) {
  owner_->SetInput(*this, TIBValue::DateTime(value));
}
void TIBParam::SetAsVariant(const TIBValue& value) {
  owner_->SetInput(*this, value);
}

bool TIBParam::IsNull() const {
  return owner_->input.IsNull(places_.front());
}
std::string TIBParam::AsString() const {
  return AsVariant().AsString();
}
TIBValue TIBParam::AsVariant() const {
  return owner_->InputValue(places_.front());
}

}  // namespace brindle::ibx
