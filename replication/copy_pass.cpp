#include "replication/copy_pass.h"

#include <memory>
#include <string>
#include <vector>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "infra/program_log.h"
#include "replication/connection_string.h"
#include "replication/copy_settings.h"
#include "replication/copy_thread.h"
#include "replication/table_replication.h"
#include "replication/text_forms.h"
#include "schema/replicated_tables.h"

namespace brindle {

namespace {

constexpr char kUser[] = "SYSDBA";
constexpr char kCharset[] = "WIN1251";
constexpr char kConfName[] = "CONF";
constexpr char kReplicationInfo[] = "REPLICATION_INFO";

// What one pass opens, released in a fixed order whichever step fails.
struct PassResources {
  explicit PassResources(TCopyDBThread& owner) : thread(owner) {}
  PassResources(const PassResources&) = delete;
  PassResources& operator=(const PassResources&) = delete;

  TCopyDBThread& thread;
  TFyrn::Connection work{nullptr, {}};
  std::unique_ptr<TfbIniFile> work_conf;
  TFyrn::Connection copy{nullptr, {}};
  std::unique_ptr<TfbIniFile> copy_conf;

  // On success a failing close is a pass error; after a failure the first error stands.
  void Release(bool report) {
    TFyrn& fyrn = Fyrn();
    copy_conf.reset();
    thread.CopyConnection = nullptr;
    if (report && copy) fyrn.FreeConnection(std::move(copy));
    copy.reset();
    work_conf.reset();
    thread.WorkConnection = nullptr;
    if (report && work) fyrn.FreeConnection(std::move(work));
    work.reset();
  }
  ~PassResources() { Release(false); }
};

struct Location {
  std::string host, path;
  std::int32_t port;
};

Location Locate(const std::string& conn_str) {
  return {ExtractHost(conn_str), ExtractPath(conn_str), ExtractPort(conn_str, kDefaultPort)};
}

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

}  // namespace

void RunCopyPass(TCopyDBThread& thread) {
  thread.SetLastError("", 0);
  thread.Busy = true;
  LogProgram("Начало копирования БД");
  try {
    TFyrn& fyrn = Fyrn();
    PassResources pass(thread);
    const std::string work_conn_str = WorkDBConnStr;
    const std::string work_password = WorkDBPassword;
    const Location work = Locate(work_conn_str);
    pass.work = fyrn.CreateConnection(work.host, work.port, work.path, kUser, work_password,
                                      kCharset);
    thread.WorkConnection = pass.work.get();
    pass.work_conf = fyrn.IniCreator().CreateIniOnDatabase(
        work.host, work.port, work.path, kUser, work_password, kCharset, kConfName, false);

    const Location copy = Locate(CopyDBConnStr);
    const std::string copy_password = CopyDBPassword;
    pass.copy = fyrn.CreateConnection(copy.host, copy.port, copy.path, kUser, copy_password,
                                      kCharset);
    thread.CopyConnection = pass.copy.get();
    pass.copy_conf = fyrn.IniCreator().CreateIniOnDatabase(
        copy.host, copy.port, copy.path, kUser, copy_password, kCharset, kConfName, false);
    TfbIniFile& copy_conf = *pass.copy_conf;

    if (ReadParamString(copy_conf, "DB_IS_COPY", "") != "1") {
      WriteParamBool(copy_conf, "DB_IS_COPY", true);
    }
    WriteConfString(copy_conf, kReplicationInfo, "WORK_DB_CONN_STR", work_conn_str);
    WriteConfString(copy_conf, kReplicationInfo, "WORK_DB_PARAM1", HexEncode(work_password));

    const auto tables = ReplicatedTables();
    thread.TableCount = static_cast<std::int32_t>(tables.size());
    thread.TableNo = 0;
    for (const ReplicatedTable& entry : tables) {
      ++thread.TableNo;
      ReplicateTable(thread, std::string(entry.table), std::string(entry.key_column), copy_conf);
    }
    CarryOverConfiguration(*pass.work_conf, copy_conf);
    LogProgram("Копирование БД завершено");
    const TDateTime finished = Now();
    thread.SetLastCopyTime(finished);
    WriteConfDateTime(copy_conf, kReplicationInfo, "LAST_COPY_TIME", finished);
    pass.Release(true);
  } catch (const std::exception& e) {
    thread.SetLastError(e.what(), Now());
    LogProgram(std::string("Ошибка при копировании БД: ") + e.what());
  } catch (...) {
    thread.SetLastError("unknown error", Now());
    LogProgram("Ошибка при копировании БД: unknown error");
  }
  thread.Busy = false;
}

}  // namespace brindle
