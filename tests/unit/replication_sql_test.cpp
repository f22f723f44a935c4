#include "replication/replication_sql.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

TEST(ReplicationSql, StatementsNameEveryCopiedColumnOnce) {
  const auto statements = BuildReplicationStatements("T", "ID", {"ID", "NAME", "MODIFYDATE"});
  EXPECT_EQ(statements.insert,
            "INSERT INTO \"T\" (\"ID\",\"NAME\",\"MODIFYDATE\") VALUES (:ID,:NAME,:MODIFYDATE)");
  EXPECT_EQ(statements.update,
            "UPDATE \"T\" SET \"ID\" = :ID,\"NAME\" = :NAME,\"MODIFYDATE\" = :MODIFYDATE "
            "WHERE \"ID\" = :ID");
  const auto by_number =
      BuildReplicationStatements("TERM_COUNTERS", "TERM_NUMBER", {"TERM_NUMBER"});
  EXPECT_EQ(by_number.update,
            "UPDATE \"TERM_COUNTERS\" SET \"TERM_NUMBER\" = :TERM_NUMBER "
            "WHERE \"TERM_NUMBER\" = :TERM_NUMBER");
}

}  // namespace
}  // namespace brindle
