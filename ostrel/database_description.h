// The structure library's own description: plain data that records every declaration made through
// TfbDataBase and TfbTable, for the generator that turns it into DDL and for checks against an
// existing database. Nothing here touches a database.
//
// Ownership: TfbDataBaseDescription owns its tables; a table pointer stays valid as long as the
// description. Not thread-safe: one thread describes, then others may only read.
// Every operation validates its own arguments and raises EDescriptionError, leaving the
// description unchanged, on: an empty or over-long name (a trigger name may be empty), a name
// already declared in the same scope (letter case ignored), an empty type, a malformed column
// list, a second primary key, a trigger without events or body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ostrel/column_list.h"
#include "ostrel/description.h"

namespace brindle {

// The longest name the database accepts, in bytes.
constexpr std::size_t kMaxNameLength = 31;

struct ConnectionDescription {
  std::string host;
  std::string path;
  std::string password;
  std::int32_t port = 0;
  VariantArray parameters;
};

struct DomainDescription {
  std::string name;
  std::string type;
  std::int32_t reserved1 = 0;
  std::int32_t reserved2 = 0;
  std::string check;  // empty: no CHECK
};

struct FieldDescription {
  std::string name;
  std::string type;          // a domain name or an SQL type text
  std::string default_text;  // empty: no DEFAULT
  bool not_null = false;
};

struct KeyDescription {
  std::string name;
  std::string column_list;            // as given
  std::vector<ListedColumn> columns;  // read from column_list
};

struct IndexDescription {
  std::string name;
  bool unique = false;
  bool descending = false;
  std::string column_list;            // as given
  std::vector<ListedColumn> columns;  // read from column_list
};

struct TriggerDescription {
  TriggerTiming timing = TriggerTiming::kBefore;
  TriggerEvents events = 0;
  std::int32_t position = 0;
  bool active = true;
  std::string name;  // empty: the library names it
  std::string body;
};

struct GeneratorDescription {
  std::string name;
  std::int64_t start_value = 0;
};

class TfbTableDescription final : public TfbTable {
 public:
  explicit TfbTableDescription(std::string name);

  void AddField(const std::string& name, const std::string& type, const std::string& default_text,
                bool not_null) override;
  void SetPrimaryKey(const std::string& constraint_name, const std::string& column_list) override;
  void AddIndex(const std::string& name, bool unique, bool descending,
                const std::string& column_list) override;
  void AddTrigger(TriggerTiming timing, TriggerEvents events, std::int32_t position, bool active,
                  const std::string& name, const std::string& body) override;
  // The last mode set stands.
  void SetChangeTracking(ChangeTracking mode) override;

  const std::string& Name() const { return name_; }
  const std::vector<FieldDescription>& Fields() const { return fields_; }
  const std::optional<KeyDescription>& PrimaryKey() const { return primary_key_; }
  const std::vector<IndexDescription>& Indexes() const { return indexes_; }
  const std::vector<TriggerDescription>& Triggers() const { return triggers_; }
  ChangeTracking ChangeTrackingMode() const { return change_tracking_; }

  // The declared column of that name (letter case ignored), or null.
  const FieldDescription* FindField(std::string_view name) const;

 private:
  std::string name_;
  std::vector<FieldDescription> fields_;
  std::optional<KeyDescription> primary_key_;
  std::vector<IndexDescription> indexes_;
  std::vector<TriggerDescription> triggers_;
  ChangeTracking change_tracking_ = ChangeTracking::kNone;
};

// One declaration made on the database description, in the order made: the element is
// Domains()[index], Tables()[index] or Generators()[index] by kind.
struct Declaration {
  enum class Kind { kDomain, kTable, kGenerator };
  Kind kind;
  std::size_t index;

  bool operator==(const Declaration&) const = default;
};

class TfbDataBaseDescription final : public TfbDataBase {
 public:
  TfbDataBaseDescription() = default;

  // A later call replaces the earlier connection.
  void SetConnection(const std::string& host, const std::string& path, const std::string& password,
                     std::int32_t port, const VariantArray& parameters) override;
  void AddDomain(const std::string& name, const std::string& type, std::int32_t reserved1,
                 std::int32_t reserved2, const std::string& check) override;
  // The table belongs to this description.
  TfbTableDescription* AddTable(const std::string& name) override;
  CheckOutcome LastCheck() const override { return last_check_; }
  void SetLastCheck(CheckOutcome outcome) { last_check_ = outcome; }
  void AddGenerator(const std::string& name, std::int64_t start_value) override;

  const std::optional<ConnectionDescription>& Connection() const { return connection_; }
  const std::vector<DomainDescription>& Domains() const { return domains_; }
  const std::vector<std::unique_ptr<TfbTableDescription>>& Tables() const { return tables_; }
  const std::vector<GeneratorDescription>& Generators() const { return generators_; }
  const std::vector<Declaration>& Declarations() const { return declarations_; }

  // The table of that name (letter case ignored), or null.
  const TfbTableDescription* FindTable(std::string_view name) const;

 private:
  CheckOutcome last_check_;
  std::optional<ConnectionDescription> connection_;
  std::vector<DomainDescription> domains_;
  std::vector<std::unique_ptr<TfbTableDescription>> tables_;
  std::vector<GeneratorDescription> generators_;
  std::vector<Declaration> declarations_;
};

}  // namespace brindle
