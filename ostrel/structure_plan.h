// The structure a description asks for, as the database will hold it: every name turned into its
// database identifier (sql_text.h, DatabaseName), change tracking realised, key columns made
// NOT NULL, and every object that the description leaves unnamed given its name. The DDL
// generator (ddl.h) and the check against a database (structure_check.h) both work from it.
//
// What the library adds and how it names it (names longer than 31 characters have the table's
// part shortened; a name already used in the description for another object of the same kind
// gets "_2", "_3", ... appended):
// - change-tracking mode 1: a column MODIFYDATE TIMESTAMP after the declared columns (unless
//   declared); a trigger <table>_MD_BIU, active, before insert or update, position 10, whose body
//   is the modification-date rule (modify_date_rule.h); an ascending index <table>_MD_IDX on
//   MODIFYDATE, unless the table declares an index on MODIFYDATE alone;
// - a trigger declared with an empty name: <table>_ + B or A (before, after) + I, U (its events)
//   + its position, e.g. PC_CARDAZSOPERATIONS_BIU10;
// - a column of the primary key declared without NOT NULL becomes NOT NULL, since the database
//   refuses a key over a nullable column (KO_OWNER_ORGBLACKLIST.CONTR_ID).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ostrel/database_description.h"

namespace brindle::ostrel {

struct PlannedDomain {
  std::string name;
  std::string type;   // SQL type text as described
  std::string check;  // condition as described, empty: none
};

struct PlannedColumn {
  std::string name;
  // A declared domain's database name when `domain`, otherwise the SQL type text as described.
  std::string type;
  bool domain = false;
  std::string default_text;  // empty: no DEFAULT
  bool not_null = false;
  bool not_null_for_key = false;  // declared nullable; NOT NULL because the key includes it
  bool tracking = false;          // MODIFYDATE added by change tracking
};

struct PlannedKey {
  std::string name;
  std::vector<std::string> columns;
};

struct PlannedIndex {
  std::string name;
  bool unique = false;
  bool descending = false;
  std::vector<std::string> columns;
  bool tracking = false;  // the MODIFYDATE index of change tracking
};

struct PlannedTrigger {
  std::string name;
  bool name_chosen = false;  // declared with an empty name
  TriggerTiming timing = TriggerTiming::kBefore;
  TriggerEvents events = 0;
  std::int32_t position = 0;
  bool active = true;
  std::string body;                // without BEGIN and END
  bool tracking = false;           // the trigger of change tracking
  bool keeps_modify_date = false;  // its body is the modification-date rule
};

struct PlannedTable {
  std::string name;
  std::vector<PlannedColumn> columns;
  std::optional<PlannedKey> key;
  std::vector<PlannedIndex> indexes;
  std::vector<PlannedTrigger> triggers;
  bool tracking = false;  // change-tracking mode 1

  const PlannedColumn* FindColumn(std::string_view database_name) const;
};

struct PlannedGenerator {
  std::string name;
  std::int64_t start_value = 0;
};

struct StructurePlan {
  std::vector<PlannedDomain> domains;
  std::vector<PlannedTable> tables;
  std::vector<PlannedGenerator> generators;
};

// Raises EDescriptionError, naming the object, when the description cannot be realised: two
// objects with one database name, a key or index naming a column the table does not declare,
// a trigger with events other than insert and update or a mode of change tracking other than 0
// and 1.
StructurePlan PlanStructure(const TfbDataBaseDescription& description);

}  // namespace brindle::ostrel
