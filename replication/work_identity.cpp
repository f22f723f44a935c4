#include "replication/work_identity.h"

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "replication/freshness.h"

namespace brindle {

namespace {

constexpr char kWorkConnStr[] = "WORK_DB_CONN_STR";
constexpr char kWorkIdentity[] = "WORK_DB_ID";

std::string Described(const std::string& conn_str, const std::string& identity) {
  const std::size_t space = identity.find(' ', identity.find(' ') + 1);
  if (space == std::string::npos) return "[" + conn_str + "]";
  return "[" + conn_str + "] (файл " + identity.substr(space + 1) + ", создана " +
         identity.substr(0, space) + ")";
}

}  // namespace

std::string WorkDatabaseIdentity(TFyrn& fyrn, ibx::TIBDatabase& work) {
  // A transaction of its own: a monitoring snapshot lasts as long as the transaction that took it.
  ibx::TIBTransaction look(work, ibx::TIBTransactionKind::ReadOnly);
  std::string identity;
  {
    const auto query = fyrn.CreateDataSet(work, &look);
    query->SetSelectSQL("SELECT MON$CREATION_DATE, MON$DATABASE_NAME FROM MON$DATABASE");
    query->Open();
    identity = query->Fields(0).AsString() + " " + query->Fields(1).AsString();
    query->Close();
  }
  look.Commit();
  return identity;
}

void RecordWorkDatabase(TfbIniFile& copy_conf, const std::string& conn_str,
                        const std::string& identity) {
  if (ReadConfString(copy_conf, kReplicationInfo, kWorkConnStr, "") != conn_str) {
    WriteConfString(copy_conf, kReplicationInfo, kWorkConnStr, conn_str);
  }
  if (ReadConfString(copy_conf, kReplicationInfo, kWorkIdentity, "") != identity) {
    WriteConfString(copy_conf, kReplicationInfo, kWorkIdentity, identity);
  }
}

std::string OtherWorkDatabase(TfbIniFile& copy_conf, const std::string& conn_str,
                              const std::string& identity) {
  const std::string recorded = ReadConfString(copy_conf, kReplicationInfo, kWorkIdentity, "");
  const std::string recorded_conn_str =
      ReadConfString(copy_conf, kReplicationInfo, kWorkConnStr, "");
  if (recorded.empty() ? recorded_conn_str.empty() || recorded_conn_str == conn_str
                       : recorded == identity) {
    return {};
  }
  return "копия заполнялась из рабочей БД " + Described(recorded_conn_str, recorded) +
         ", а задана рабочая БД " + Described(conn_str, identity);
}

}  // namespace brindle
