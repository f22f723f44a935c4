#include "replication/server_clock.h"

#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"

namespace brindle {

TDateTime ServerTime(TFyrn& fyrn, ibx::TIBDatabase& connection) {
  const auto query = fyrn.CreateDataSet(connection, nullptr);
  query->SetSelectSQL("SELECT CURRENT_TIMESTAMP FROM RDB$DATABASE");
  query->Open();
  return query->Fields(0).AsDateTime();
}

}  // namespace brindle
