// The database description as the program sees it: a TfbDataBase, handed out by the structure
// library, that the schema builder fills element by element; the library then creates or checks a
// database from it. The virtual operations stand in the order of the library's virtual tables, so
// a program and a library built from this header agree on every slot.
//
// Ownership: the library creates and releases the TfbDataBase; every TfbTable returned by AddTable
// belongs to its TfbDataBase and lives as long as it. Callers never free a table.
// Failures: an operation that cannot accept its arguments raises EDescriptionError.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/error.h"

namespace brindle {

BRINDLE_DECLARE_EXCEPTION(EDescriptionError, Exception);

// One element of the library's option arrays (an OLE variant on Windows): empty, flag, integer,
// float or text. A VariantArray carries the optional parameters of a call.
using Variant = std::variant<std::monostate, bool, std::int64_t, double, std::string>;
using VariantArray = std::vector<Variant>;

enum class TriggerTiming : std::uint8_t { kBefore = 0, kAfter = 1 };

// A one-byte set of trigger events; the two lowest bits are insert and update.
using TriggerEvents = std::uint8_t;
constexpr TriggerEvents kTriggerOnInsert = 1u << 0;
constexpr TriggerEvents kTriggerOnUpdate = 1u << 1;
constexpr TriggerEvents kTriggerOnInsertOrUpdate = kTriggerOnInsert | kTriggerOnUpdate;

// How the library keeps a table's changes visible. kModifyDate: the library gives the table a
// TIMESTAMP column MODIFYDATE that the database moves forward on every insert and update.
enum class ChangeTracking : std::uint8_t { kNone = 0, kModifyDate = 1 };

class TfbTable {
 public:
  virtual ~TfbTable();

  // Appends a column. type: a domain name or an SQL type text; default_text: the SQL literal
  // after DEFAULT, empty for none.
  virtual void AddField(const std::string& name, const std::string& type,
                        const std::string& default_text, bool not_null) = 0;
  // column_list: column names separated by commas, each plain or in double quotes.
  virtual void SetPrimaryKey(const std::string& constraint_name,
                             const std::string& column_list) = 0;
  virtual void AddIndex(const std::string& name, bool unique, bool descending,
                        const std::string& column_list) = 0;
  // Keeps the slot of an operation that this system never calls; does nothing.
  virtual void ReservedSlot4();
  // name may be empty: the library names the trigger. body: the statements without the
  // enclosing BEGIN and END.
  virtual void AddTrigger(TriggerTiming timing, TriggerEvents events, std::int32_t position,
                          bool active, const std::string& name, const std::string& body) = 0;
  virtual void SetChangeTracking(ChangeTracking mode) = 0;

 protected:
  TfbTable() = default;
  TfbTable(const TfbTable&) = delete;
  TfbTable& operator=(const TfbTable&) = delete;
};

class TfbDataBase {
 public:
  virtual ~TfbDataBase();

  // Keeps the slot of an operation that this system never calls; does nothing.
  virtual void ReservedSlot1();
  // Where the described database lives. No user name: the library chooses its user.
  virtual void SetConnection(const std::string& host, const std::string& path,
                             const std::string& password, std::int32_t port,
                             const VariantArray& parameters) = 0;
  // type: the base SQL type text; check: the CHECK condition without the word CHECK, or empty.
  // reserved1 and reserved2 carry no meaning here and are 0.
  virtual void AddDomain(const std::string& name, const std::string& type, std::int32_t reserved1,
                         std::int32_t reserved2, const std::string& check) = 0;
  // The returned table belongs to this description.
  virtual TfbTable* AddTable(const std::string& name) = 0;
  // Keeps the slot of an operation that this system never calls; does nothing.
  virtual void ReservedSlot5();
  virtual void AddGenerator(const std::string& name, std::int64_t start_value) = 0;

  // What the last check of this description made: the database itself, and objects in it.
  struct CheckOutcome {
    bool database_created = false;
    std::int32_t objects_created = 0;
  };
  // Nothing before the first check.
  virtual CheckOutcome LastCheck() const = 0;

 protected:
  TfbDataBase() = default;
  TfbDataBase(const TfbDataBase&) = delete;
  TfbDataBase& operator=(const TfbDataBase&) = delete;
};

}  // namespace brindle
