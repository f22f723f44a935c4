// Rows for office databases in tests and benchmarks: values of every column type, derived from
// the row's key so that a test can tell what each row must hold, and whole-table comparisons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ibx/database.h"
#include "schema/replicated_tables.h"

namespace brindle::testing {

// Inserts rows with keys first .. first + count - 1 into the table, one committed transaction,
// every column but MODIFYDATE filled by its type (integers other than the key 0 or 1, so flag
// domains accept them, and PC_COSHEL links the cards 0 and 1).
void InsertSampleRows(ibx::TIBDatabase& db, const std::string& table, const std::string& key,
                      std::int32_t first, std::int32_t count);

// The same for every replicated table.
void FillReplicatedTables(ibx::TIBDatabase& db, std::int32_t rows_per_table);

// Gives rows first .. first + count - 1 of the table, one committed transaction, the values
// InsertSampleRows gives the row key + version * 100000 (the key itself stays). For keys below
// 100000 no two rows get the same values, so unique indexes hold; versions 1 .. 20 keep dates
// within range, and version 0 restores the inserted values.
void UpdateSampleRows(ibx::TIBDatabase& db, const std::string& table, const std::string& key,
                      std::int32_t first, std::int32_t count, std::int32_t version);

struct TableDifference {
  std::int64_t rows_checked = 0;
  std::vector<std::string> differences;  // empty when the copy holds every source row
};

// Compares every row of the source table (for a table with a card column only cards linked to
// PC_COSHEL) with the copy's row of the same key, column by column, NULLs included.
TableDifference CompareTable(ibx::TIBDatabase& work, ibx::TIBDatabase& copy,
                             const ReplicatedTable& entry);

// CompareTable over every replicated table: the rows checked in all and every difference.
TableDifference CompareReplicatedTables(ibx::TIBDatabase& work, ibx::TIBDatabase& copy);

// Runs one statement in a committed transaction of its own.
void ExecuteCommitted(ibx::TIBDatabase& db, const std::string& sql);

// The first column of the first row of a query, as text ("" for NULL).
std::string QueryText(ibx::TIBDatabase& db, const std::string& sql);

}  // namespace brindle::testing
