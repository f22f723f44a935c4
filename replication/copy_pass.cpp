#include "replication/copy_pass.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "infra/program_log.h"
#include "platform/text_forms.h"
#include "replication/copy_lock.h"
#include "replication/copy_record.h"
#include "replication/server_clock.h"
#include "replication/table_replication.h"
#include "replication/work_identity.h"
#include "replication/write_horizon.h"
#include "schema/replicated_tables.h"

namespace brindle {

namespace {

// What one pass opens, released in a fixed order whichever step fails.
struct PassResources {
  explicit PassResources(TFyrn& library) : fyrn(library) {}
  PassResources(const PassResources&) = delete;
  PassResources& operator=(const PassResources&) = delete;

  TFyrn& fyrn;
  TFyrn::Connection work{nullptr, {}};
  std::unique_ptr<TfbIniFile> work_conf;
  TFyrn::Connection copy{nullptr, {}};
  std::unique_ptr<TfbIniFile> copy_conf;

  // On success a failing close is a pass error; after a failure the first error stands.
  void Release(bool report) {
    copy_conf.reset();
    if (report && copy) fyrn.FreeConnection(std::move(copy));
    copy.reset();
    work_conf.reset();
    if (report && work) fyrn.FreeConnection(std::move(work));
    work.reset();
  }
  ~PassResources() { Release(false); }
};

void CarryOverConfiguration(TfbIniFile& work_conf, TfbIniFile& copy_conf) {
  std::vector<std::string> keys;
  ReadConfSection(work_conf, "REPORTS", keys);
  for (const std::string& key : keys) {
    WriteConfString(copy_conf, "REPORTS", key, ReadConfString(work_conf, "REPORTS", key, ""));
  }
  WriteConfBool(copy_conf, "KO", "ACCOUNT_WEB_ENABLED",
                ReadConfBool(work_conf, "KO", "ACCOUNT_WEB_ENABLED", false));
  WriteConfFloat(copy_conf, "KO", "ACCOUNT_CONTROL_PERIOD",
                 ReadConfFloat(work_conf, "KO", "ACCOUNT_CONTROL_PERIOD", 7.0));
}

// Whether a connection still answers, after a table failed on it.
bool Alive(TFyrn& fyrn, ibx::TIBDatabase& connection) noexcept {
  try {
    const auto query = fyrn.CreateDataSet(connection, nullptr);
    query->SetSelectSQL("SELECT 1 FROM RDB$DATABASE");
    query->Open();
    return true;
  } catch (...) {
    return false;
  }
}

// The exception being handled, as the pass reports it.
TPassError CurrentError(TPassStep step) {
  TPassError error;
  error.Step = step;
  try {
    throw;
  } catch (const ibx::EIBError& e) {
    error.Text = e.what();
    error.SqlCode = e.SQLCode();
    error.GdsCodes = e.ErrorCodes();
  } catch (const std::exception& e) {
    error.Text = e.what();
  } catch (...) {
    error.Text = "unknown error";
  }
  return error;
}

// The working server's time and the transactions that may still commit rows of the tables.
// When the monitoring tables cannot be read, marks are not held back and the pass says so once.
TWriteHorizon ReadHorizon(TFyrn& fyrn, ibx::TIBDatabase& work, const std::string& work_conn_str,
                          TPassMemory& memory, TPassResult& result) {
  const TWriteHorizon* previous = memory.last_horizon && memory.last_horizon_of == work_conn_str
                                      ? &*memory.last_horizon
                                      : nullptr;
  try {
    TWriteHorizon horizon = ReadWriteHorizon(work, ReplicatedTables(), previous);
    memory.monitoring_failure_logged = false;
    memory.last_horizon = horizon;
    memory.last_horizon_of = work_conn_str;
    return horizon;
  } catch (const ibx::EIBError& e) {
    TWriteHorizon horizon;
    horizon.server_time = ServerTime(fyrn, work);  // a lost connection fails the pass here
    memory.last_horizon.reset();
    result.MonitoringUnavailable = true;
    if (!memory.monitoring_failure_logged) {
      memory.monitoring_failure_logged = true;
      const std::string warning =
          std::string(
              "Таблицы мониторинга рабочей БД недоступны, отметки таблиц ставятся по "
              "времени сервера; строки долгих транзакций могут быть пропущены: ") +
          e.what();
      result.Warnings.push_back(warning);
      LogProgram(warning, LogWarning);
    }
    return horizon;
  }
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// The earliest stamp of the rows a transaction may still commit into any replicated table.
std::optional<TDateTime> EarliestHold(const TOpenTransaction& transaction) {
  std::optional<TDateTime> earliest;
  for (const ReplicatedTable& table : ReplicatedTables()) {
    const std::optional<TDateTime> held = transaction.HeldFrom(table.table);
    if (held && (!earliest || *held < *earliest)) earliest = held;
  }
  return earliest;
}

// Transactions that hold a mark back by more than the overlap go into the result, and each is
// logged once while it stays open.
void ReportHolders(const TWriteHorizon& horizon, const TCopySettings& settings, TPassMemory& memory,
                   TPassResult& result) {
  std::set<std::pair<std::int64_t, TDateTime>> open;
  for (const TOpenTransaction& transaction : horizon.transactions) {
    const std::pair<std::int64_t, TDateTime> identity{transaction.attachment_id,
                                                      transaction.started};
    open.insert(identity);
    const std::optional<TDateTime> held_from = EarliestHold(transaction);
    if (!held_from || settings.MarkHoldLimit <= 0) continue;
    const TDateTime held = horizon.server_time - *held_from;
    if (held <= settings.MarkOverlap) continue;
    // A running statement may write any table.
    const bool any_table = transaction.statement_started > 0;
    const std::vector<std::string> tables =
        any_table ? std::vector<std::string>{} : transaction.tables;
    result.Holders.push_back({transaction.transaction_id, *held_from, transaction.user,
                              transaction.remote_address, transaction.remote_process,
                              transaction.remote_pid, tables});
    if (!memory.warned_transactions.insert(identity).second) continue;
    std::string warning = "Открытая транзакция " + std::to_string(transaction.transaction_id) +
                          " рабочей БД (пользователь " + transaction.user + ", адрес " +
                          transaction.remote_address + ", процесс " + transaction.remote_process +
                          " [" + std::to_string(transaction.remote_pid) + "], начата " +
                          FormatSqlDateTime(transaction.started) + ") задерживает отметки таблиц " +
                          (any_table ? std::string("(любых: идёт запрос)") : Joined(tables));
    if (held > settings.MarkHoldLimit) {
      warning += ": она открыта дольше предела ожидания, её строки старше " +
                 FormatSqlDateTime(horizon.server_time - settings.MarkHoldLimit) +
                 " могут быть не скопированы";
    } else {
      warning += ": её строки будут скопированы после её завершения";
    }
    result.Warnings.push_back(warning);
    LogProgram(warning, LogWarning);
  }
  // Forget the ended ones, so the set stays small.
  std::erase_if(memory.warned_transactions, [&](const auto& id) { return !open.contains(id); });
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Counts a completed or failed pass in the copy and records it there.
void RecordPass(TfbIniFile& copy_conf, TPassMemory& memory, TPassResult& result) {
  result.FailedPasses = result.Failed() ? ReadFailedPasses(copy_conf) + 1 : 0;
  memory.failed_passes = result.FailedPasses;
  StorePassFreshness(copy_conf, result);
}

// A failed pass is counted in the copy whenever the copy can be reached: through the pass's own
// configuration of the copy, or, when the pass failed before it tried the copy, through one of
// its own. Otherwise the engine counts on by itself.
void RecordFailedPass(TFyrn& fyrn, const TCopySettings& settings, TPassStep step,
                      PassResources& pass, TPassMemory& memory, TPassResult& result) noexcept {
  result.FailedPasses = ++memory.failed_passes;
  try {
    if (!pass.copy_conf && step == TPassStep::kConnectWork) {
      pass.copy_conf = fyrn.OpenConf(settings.CopyDBConnStr, settings.CopyDBPassword);
    }
    if (pass.copy_conf) RecordPass(*pass.copy_conf, memory, result);
  } catch (const std::exception& e) {
    const std::string warning = std::string("Итог копирования не записан в копию БД: ") + e.what();
    result.Warnings.push_back(warning);
    LogProgram(warning, LogWarning);
  }
}

}  // namespace

std::string SkippedPassText(const std::string& holder, bool held_by_repair) {
  return "Копирование пропущено: " +
         CopyTakenText(held_by_repair ? TCopyLockUse::kRepair : TCopyLockUse::kCopy, holder);
}

TPassResult RunCopyPass(TFyrn& fyrn, const TCopySettings& settings, TPassProgress& progress,
                        TPassMemory& memory) {
  TPassResult result;
  result.Started = Now();
  LogProgram("Начало копирования БД");
  TPassStep step = TPassStep::kConnectWork;
  PassResources pass(fyrn);
  try {
    pass.work = fyrn.Connect(settings.WorkDBConnStr, settings.WorkDBPassword);
    pass.work_conf = fyrn.OpenConf(settings.WorkDBConnStr, settings.WorkDBPassword);
    step = TPassStep::kConnectCopy;
    pass.copy = fyrn.Connect(settings.CopyDBConnStr, settings.CopyDBPassword);
    pass.copy_conf = fyrn.OpenConf(settings.CopyDBConnStr, settings.CopyDBPassword);
    TfbIniFile& copy_conf = *pass.copy_conf;

    step = TPassStep::kLockCopy;
    TCopyLock lock(*pass.copy);
    if (!lock.TryAcquire()) {
      result.Status = TPassStatus::kSkipped;
      result.LockHolder = lock.HolderText();
      result.LockHeldByRepair = lock.HolderUse() == TCopyLockUse::kRepair;
      result.FailedPasses = ReadFailedPasses(copy_conf);
      LogProgram(SkippedPassText(result.LockHolder, result.LockHeldByRepair));
      pass.Release(true);
      result.Finished = Now();
      return result;
    }

    step = TPassStep::kMarkCopy;
    if (ReadParamString(copy_conf, "DB_IS_COPY", "") != "1") {
      WriteParamBool(copy_conf, "DB_IS_COPY", true);
    }
    const std::string work_identity = WorkDatabaseIdentity(fyrn, *pass.work);
    RecordWorkDatabase(copy_conf, settings.WorkDBConnStr, work_identity);
    RecordWorkPassword(copy_conf, settings.WorkDBPassword);

    step = TPassStep::kReadHorizon;
    const TWriteHorizon horizon =
        ReadHorizon(fyrn, *pass.work, settings.WorkDBConnStr, memory, result);
    result.WorkClockOffset = horizon.server_time - Now();
    const TDateTime copy_clock_offset = ServerTime(fyrn, *pass.copy) - Now();
    RecordWorkClockOffset(copy_conf,
                          (*result.WorkClockOffset - copy_clock_offset) * kSecondsPerDay);
    ReportHolders(horizon, settings, memory, result);

    step = TPassStep::kTable;
    const auto tables = ReplicatedTables();
    progress.TableCount = static_cast<std::int32_t>(tables.size());
    const TTableContext context{fyrn,
                                *pass.work,
                                *pass.copy,
                                copy_conf,
                                progress,
                                settings.MarkOverlap,
                                settings.OverlapByStamps,
                                work_identity + "\n" + settings.CopyDBConnStr,
                                &horizon,
                                &memory.seen_rows};
    for (const ReplicatedTable& table : tables) {
      ++progress.TableNo;
      const auto started = std::chrono::steady_clock::now();
      TTableResult& table_result = result.Tables.emplace_back();
      try {
        ReplicateTable(context, table, HeldMark(horizon, table.table, settings.MarkHoldLimit),
                       table_result);
        table_result.Seconds = SecondsSince(started);
      } catch (...) {
        table_result.Seconds = SecondsSince(started);
        // A table's own fault leaves the others to be copied; a lost connection ends the pass.
        if (!Alive(fyrn, *pass.work) || !Alive(fyrn, *pass.copy)) throw;
        TPassError error = CurrentError(TPassStep::kTable);
        error.Table = table_result.Table;
        error.Key = table_result.FailedKey;
        LogProgram("Ошибка при копировании БД: " + error.Text);
        result.TableErrors.push_back(std::move(error));
      }
      StoreTableFreshness(copy_conf, table_result);
    }
    // Tables that failed keep their marks and are tried again by the next pass; the pass counts
    // as failed, so LAST_COPY_TIME and the carried-over keys wait for a whole pass.
    if (result.TableErrors.empty()) {
      step = TPassStep::kCarryOver;
      CarryOverConfiguration(*pass.work_conf, copy_conf);
      step = TPassStep::kFinish;
      LogProgram("Копирование БД завершено");
      result.Finished = Now();
      WriteLastCopyTime(copy_conf, result.Finished);
    } else {
      result.Status = TPassStatus::kFailed;
      result.Error = result.TableErrors.front();
      result.Finished = Now();
    }
    step = TPassStep::kFinish;
    RecordPass(copy_conf, memory, result);
    lock.Release();
    pass.Release(true);
  } catch (...) {
    TPassError error = CurrentError(step);
    if (step == TPassStep::kTable && !result.Tables.empty()) {
      error.Table = result.Tables.back().Table;
      error.Key = result.Tables.back().FailedKey;
    }
    result.Status = TPassStatus::kFailed;
    result.Finished = Now();
    LogProgram("Ошибка при копировании БД: " + error.Text);
    result.Error = std::move(error);
    RecordFailedPass(fyrn, settings, step, pass, memory, result);
  }
  return result;
}

}  // namespace brindle
