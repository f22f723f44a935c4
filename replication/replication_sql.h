// The SQL texts of table replication: the source query's tail with the table's mark and card
// filter, the single-row INSERT and UPDATE, the EXECUTE BLOCKs of many rows, and the probes
// that fetch the copy's rows of many keys.
#pragma once

#include <string>
#include <vector>

#include "platform/date_time.h"
#include "schema/replicated_tables.h"

namespace brindle {

// Whether the card of row t of a table with a card column has a purse (a row in PC_COSHEL): a
// condition. Rows of cards without one are not copied.
std::string CardHasPurse(const ReplicatedTable& table);

// " FROM "T" t " with the WHERE of rows changed after the bound (none when bound <= 0) and, for
// a table with a card column, only cards that have a row in PC_COSHEL.
std::string SourceQueryTail(const ReplicatedTable& table, TDateTime bound);

struct ReplicationStatements {
  std::string insert;  // parameter i is copied column i
  std::string update;  // likewise, the key once more in the WHERE
};

ReplicationStatements BuildReplicationStatements(const std::string& table, const std::string& key,
                                                 const std::vector<std::string>& columns);

// Many rows per statement. Parameters are positional ("?"): the block statements take row r's
// column i at r * columns.size() + i, the columns in the order given, and need parameter
// checking off (their bodies name PSQL variables). The key is one of the columns.
struct BatchStatements {
  std::string insert_block;  // EXECUTE BLOCK inserting `rows` rows
  std::string update_block;  // EXECUTE BLOCK updating `rows` rows by key
};
BatchStatements BuildBatchStatements(const std::string& table, const std::string& key,
                                     const std::vector<std::string>& columns, std::size_t rows);
// The copied columns of the rows whose key is one of `keys` parameters.
std::string BuildProbeManySql(const std::string& table, const std::string& key,
                              const std::vector<std::string>& columns, std::size_t keys);
// The copied columns of the rows whose key lies between the two parameters.
std::string BuildProbeRangeSql(const std::string& table, const std::string& key,
                               const std::vector<std::string>& columns);

}  // namespace brindle
