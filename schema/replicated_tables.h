// The tables that the copy pass replicates, in copy order, each with the column by which a row
// of the working database finds its row in the copy: the table's one-column primary key.
// Every one of them carries MODIFYDATE, kept by the database on each insert and update.
#pragma once

#include <span>
#include <string_view>

namespace brindle {

struct ReplicatedTable {
  std::string_view table;
  std::string_view key_column;
  // Only rows of cards that have a purse (a row in PC_COSHEL) are copied; this column of the
  // table holds the card. Empty: every row is copied.
  std::string_view card_column = {};
  // The key is text, so the copy is probed with it as text; otherwise as a 32-bit integer.
  bool text_key = false;
};

// 37 entries; static data that lives for the program.
std::span<const ReplicatedTable> ReplicatedTables();

}  // namespace brindle
