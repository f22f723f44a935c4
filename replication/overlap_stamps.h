// Which rows a pass reads whole. The overlap (rows stamped after the previous pass's mark less the
// overlap) was read by earlier passes; a row whose key and MODIFYDATE the copy already holds has
// not changed since it was copied, because the working database stamps every change of a row. So
// only the keys and stamps of the rows stamped after the bound are read from both databases, in
// one scan each, side by side, and whole rows only for the keys the copy lacks or holds with
// another stamp: every row stamped after the mark is among them, unless an earlier pass copied it
// as it is. A row changed in the copy by someone else under an unchanged stamp is then left to
// the check.
#pragma once

#include <cstdint>
#include <vector>

#include "ibx/value.h"
#include "platform/date_time.h"
#include "schema/replicated_tables.h"

namespace brindle {

class TFyrn;
namespace ibx {
class TIBDatabase;
}

struct TOverlapStamps {
  // Keys of working rows that the copy lacks or holds with another MODIFYDATE.
  std::vector<ibx::TIBValue> ReadAgain;
  std::int64_t Same = 0;  // rows the copy holds with their stamp
};

// The working rows stamped after `bound` (only cards that have a purse, for a table with a card
// column) against the copy's rows stamped so. Memory holds the keys and stamps of both sides.
TOverlapStamps CompareStamps(TFyrn& fyrn, ibx::TIBDatabase& work, ibx::TIBDatabase& copy,
                             const ReplicatedTable& table, TDateTime bound);

// The whole working rows of `keys` (at most kReadAgainKeys, under the server's 1,500 values of an
// IN list), as the pass reads a table: "SELECT t.* FROM ... WHERE key IN (...)", with the card
// filter.
inline constexpr std::size_t kReadAgainKeys = 1000;
std::string ReadAgainSql(const ReplicatedTable& table, std::size_t keys);

}  // namespace brindle
