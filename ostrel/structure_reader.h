// The structure that a database already has, read from its system tables: user domains, tables
// and views with their columns, primary keys, indexes, generators and triggers. Objects of the
// system (RDB$SYSTEM_FLAG set, domains named RDB$...) are left out. Every name is kept exactly,
// trailing blanks removed; lookups ignore the letter case of ASCII names, so that an object
// that exists as "Client" is found for CLIENT and never made a second time.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ibx/database.h"

namespace brindle::ostrel {

struct ExistingDomain {
  std::string name;
  std::string type;  // canonical (sql_text.h, SystemTypeText)
  bool not_null = false;
  std::string default_source;  // "DEFAULT 0", empty: none
  std::string check_source;    // "CHECK (...)", empty: none
};

struct ExistingColumn {
  std::string name;
  std::string domain;  // the user domain the column is of, empty for a plain type
  std::string type;    // canonical type text
  bool not_null = false;
  std::string default_source;  // the column's own, else its domain's; empty: none
};

struct ExistingKey {
  std::string name;
  std::string index_name;
  std::vector<std::string> columns;
};

struct ExistingIndex {
  std::string name;
  std::string table;
  bool unique = false;
  bool descending = false;
  bool active = true;
  bool expression = false;  // an index on an expression, not on columns
  std::vector<std::string> columns;
};

struct ExistingTrigger {
  std::string name;
  std::string table;  // empty for a database trigger
  std::int32_t type = 0;
  std::int32_t position = 0;
  bool active = true;
  std::string source;
};

struct ExistingTable {
  std::string name;
  bool view = false;
  std::vector<ExistingColumn> columns;  // in position order
  std::optional<ExistingKey> primary_key;

  const ExistingColumn* FindColumn(std::string_view column) const;
};

// Maps are keyed by the name in upper case.
struct ExistingStructure {
  std::map<std::string, ExistingDomain> domains;
  std::map<std::string, ExistingTable> tables;
  std::map<std::string, ExistingIndex> indexes;
  std::map<std::string, std::string> generators;  // key -> exact name
  std::map<std::string, ExistingTrigger> triggers;

  const ExistingDomain* FindDomain(std::string_view name) const;
  const ExistingTable* FindTable(std::string_view name) const;
  ExistingTable* FindTable(std::string_view name);
  const ExistingIndex* FindIndex(std::string_view name) const;
  bool HasGenerator(std::string_view name) const;
  const ExistingTrigger* FindTrigger(std::string_view name) const;
  std::vector<const ExistingTrigger*> TriggersOf(std::string_view table) const;
  std::vector<const ExistingIndex*> IndexesOf(std::string_view table) const;
};

// The key under which a name is kept.
std::string NameKey(std::string_view name);

// Reads everything through the connection's read transaction. Failures raise EIBError.
ExistingStructure ReadStructure(ibx::TIBDatabase& database);

}  // namespace brindle::ostrel
