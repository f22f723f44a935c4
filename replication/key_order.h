// How the server tells a table's keys apart and orders them, for the writer's batches and the
// check's merge of two ordered reads.
#pragma once

#include <string>

#include "ibx/value.h"

namespace brindle {

// How the server orders two keys of a table's key column: integers as numbers; text (VARCHAR in
// WIN1251 with the character set's own collation) by its WIN1251 bytes, trailing blanks ignored.
// Negative, zero or positive.
int CompareKeys(const ibx::TIBValue& a, const ibx::TIBValue& b, bool text_key);
// A key as the server tells keys apart: a text key without its trailing blanks ('a' = 'a ').
std::string KeyText(const ibx::TIBValue& key, bool text_key);

}  // namespace brindle
