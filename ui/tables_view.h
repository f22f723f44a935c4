// What the window's "Таблицы" dialog shows: per replicated table the time up to which the table
// of the copy is complete, its lag, when it was last proven equal to the working database, the
// rows of the last pass that reached it and what the last check of this session found in it, as
// the window knows them (ui/known_freshness.h); above them how the last pass and the last check of
// this session ended and how the read of the copy's record stands.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "replication/pass_result.h"
#include "ui/known_freshness.h"

namespace brindle {

struct TTableView {
  std::string Table;
  std::string CompleteAsOf;  // "—" when not known
  std::string Lag;           // "—" when not known
  std::string VerifiedAsOf;  // "—" when never proven equal, or not known
  std::string Rows;          // rows the last pass that reached the table left in it
  std::string Checked;       // what the last check found in it; "—" when it did not reach it
  // The last pass that reached the table failed on it, or the last check could not check it or
  // left it unlike the working database's.
  bool Failed = false;
};

struct TTablesView {
  std::vector<TTableView> Tables;
  std::string Summary;  // lines: the last pass, its error, the last check, the copy's record
};

// How the read of the copy's record stands.
struct TRecordReadState {
  bool Reading = false;
  std::string Error;  // why the last read failed; empty when it did not
};

// `now` is this computer's time; lag is taken on the working server's clock, with the offset
// last learnt. Times are in the program's own form, whatever the locale.
TTablesView ComputeTablesView(const TKnownFreshness& known, const std::optional<TPassResult>& last,
                              const TRecordReadState& record, TDateTime now);

}  // namespace brindle
