// Which rows of a table's overlap a pass reads again whole. The overlap (rows stamped after the
// previous pass's mark less the overlap, up to that mark) was read by earlier passes; a row of it
// whose key and MODIFYDATE the copy already holds has not changed since it was copied, because
// the working database stamps every change of a row. So only the keys and stamps are read from
// both databases, and whole rows only for the keys the copy lacks or holds with another stamp.
// A row changed in the copy by someone else under an unchanged stamp is then left to the check.
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
  // Keys of working rows of the overlap that the copy lacks or holds with another MODIFYDATE.
  std::vector<ibx::TIBValue> ReadAgain;
  std::int64_t Same = 0;  // rows of the overlap the copy holds with their stamp
};

// The working rows stamped after `bound` and up to `mark` (only cards that have a purse, for a
// table with a card column) against the copy's rows stamped so. Reads both sides in full scans of
// two narrow columns; memory holds the copy's keys and stamps of the overlap.
TOverlapStamps CompareOverlapStamps(TFyrn& fyrn, ibx::TIBDatabase& work, ibx::TIBDatabase& copy,
                                    const ReplicatedTable& table, TDateTime bound, TDateTime mark);

// The whole working rows of `keys` (at most kReadAgainKeys), as the pass reads a table: "SELECT
// t.* FROM ... WHERE key IN (...)", still stamped up to `mark` and with the card filter.
inline constexpr std::size_t kReadAgainKeys = 1000;
std::string ReadAgainSql(const ReplicatedTable& table, std::size_t keys, TDateTime mark);

}  // namespace brindle
