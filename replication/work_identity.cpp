#include "replication/work_identity.h"

#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "replication/copy_record.h"

namespace brindle {

namespace {

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

std::string OtherWorkDatabase(TfbIniFile& copy_conf, const std::string& conn_str,
                              const std::string& identity) {
  const TRecordedWorkDatabase stored = ReadWorkDatabase(copy_conf);
  const std::string& recorded = stored.Identity;
  const std::string& recorded_conn_str = stored.ConnStr;
  if (recorded.empty() ? recorded_conn_str.empty() || recorded_conn_str == conn_str
                       : recorded == identity) {
    return {};
  }
  return "копия заполнялась из рабочей БД " + Described(recorded_conn_str, recorded) +
         ", а задана рабочая БД " + Described(conn_str, identity);
}

}  // namespace brindle
