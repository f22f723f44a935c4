#include "replication/replication_sql.h"

#include <gtest/gtest.h>

#include "replication/copy_settings.h"

namespace brindle {
namespace {

// The list's entry of a table.
const ReplicatedTable& Entry(std::string_view table) {
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    if (entry.table == table) return entry;
  }
  throw std::out_of_range(std::string(table));
}

TEST(ReplicationSql, MarkBoundAndCardFilter) {
  EXPECT_EQ(SourceQueryTail(Entry("OFFICE"), 0), " FROM \"OFFICE\" t ");
  const TDateTime mark = EncodeDateTime({2024, 5, 17, 14, 3, 59, 120});
  EXPECT_EQ(SourceQueryTail(Entry("OFFICE"), mark - TCopySettings{}.MarkOverlap),
            " FROM \"OFFICE\" t  WHERE t.MODIFYDATE > '2024-05-17 13:53:59.120' ");
  EXPECT_EQ(SourceQueryTail(Entry("PC_CARD"), 0),
            " FROM \"PC_CARD\" t  WHERE  EXISTS (SELECT c.ID FROM PC_COSHEL c WHERE "
            "c.CARD_ID=t.ID) ");
  EXPECT_EQ(SourceQueryTail(Entry("PC_CARDSTATE"), mark),
            " FROM \"PC_CARDSTATE\" t  WHERE t.MODIFYDATE > '2024-05-17 14:03:59.120'  AND  "
            "EXISTS (SELECT c.ID FROM PC_COSHEL c WHERE c.CARD_ID=t.CARD_ID) ");
  EXPECT_EQ(ReplicationMarkKey("PC_CARD"), "LAST_PC_CARD_MODIFYDATE");
}

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
