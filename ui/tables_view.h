// What the window's "Таблицы" dialog shows: per replicated table the time up to which the table
// of the copy is complete, its lag and the rows of the last pass, from the engine's last pass
// (the window copies in its own process, so nothing is read from the databases for it).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "replication/pass_result.h"

namespace brindle {

struct TTableView {
  std::string Table;
  std::string CompleteAsOf;  // "—" when not known
  std::string Lag;           // "—" when not known
  std::string Rows;          // rows the last pass left in the table
  bool Failed = false;       // the table failed in the last pass
};

struct TTablesView {
  std::vector<TTableView> Tables;
  std::string Summary;  // the last pass, or that none ran yet
};

// `now` is this computer's time; lag is taken on the working server's clock, from the offset the
// pass saw. `date_time_text` writes a time for people.
TTablesView ComputeTablesView(const std::optional<TPassResult>& last, TDateTime now,
                              const std::function<std::string(TDateTime)>& date_time_text);

}  // namespace brindle
