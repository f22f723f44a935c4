// The one generator of DDL: plain functions from planned objects (structure_plan.h) to the
// statements that create them. Every identifier is written in double quotes exactly as planned
// (upper case, see sql_text.h); types, defaults, checks and trigger bodies are written as the
// description gives them. A statement is one text without a terminator, for one execution.
#pragma once

#include <string>
#include <string_view>

#include "ostrel/structure_plan.h"

namespace brindle::ostrel {

// CREATE DOMAIN "T_BOOLEAN" AS INTEGER CHECK ((VALUE IS NULL) OR (VALUE IN (0,1)))
// The check is put in parentheses unless it already is enclosed in one pair.
std::string CreateDomainSql(const PlannedDomain& domain);

// "AZSTYPE" "T_INTEGER" DEFAULT 0 NOT NULL
std::string ColumnSql(const PlannedColumn& column);

// CREATE TABLE "T" (\n  <column>,\n  <column>\n) with every planned column; keys follow apart.
std::string CreateTableSql(const PlannedTable& table);

// ALTER TABLE "T" ADD <column>
std::string AddColumnSql(std::string_view table, const PlannedColumn& column);

// ALTER TABLE "T" ALTER "C" SET NOT NULL; the server refuses it while the column holds NULL.
std::string SetNotNullSql(std::string_view table, std::string_view column);

// ALTER TABLE "T" ADD CONSTRAINT "PK_T" PRIMARY KEY ("A", "B")
std::string AddPrimaryKeySql(std::string_view table, const PlannedKey& key);

// CREATE [UNIQUE] [DESCENDING] INDEX "T_IDX1" ON "T" ("A", "B")
std::string CreateIndexSql(std::string_view table, const PlannedIndex& index);

// CREATE SEQUENCE "GEN_T" START WITH 0
std::string CreateGeneratorSql(const PlannedGenerator& generator);

// CREATE TRIGGER "T_BIU10" FOR "T"\r\nACTIVE BEFORE INSERT OR UPDATE POSITION 10\r\n
// AS\r\nBEGIN\r\n<body>\r\nEND — CR LF like the bodies of the description, since the server
// keeps the text from AS on as the trigger's source.
std::string CreateTriggerSql(std::string_view table, const PlannedTrigger& trigger);

// The trigger's source as the server keeps it: AS, BEGIN, the body, END.
std::string TriggerSource(std::string_view body);

// The value of RDB$TRIGGER_TYPE for a timing and a set of insert/update events.
int TriggerTypeCode(TriggerTiming timing, TriggerEvents events);

}  // namespace brindle::ostrel
