#include "replication/write_horizon.h"

#include <algorithm>
#include <utility>

#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "ibx/win1251.h"
#include "platform/error.h"
#include "platform/text.h"

namespace brindle {

namespace {

using ibx::TIBDataSet;

// Read before the monitoring snapshot, which the next statement takes: a transaction or statement
// that the snapshot does not show starts after this time, and so stamps its rows after it.
// The look's own transaction number, and whether its user sees every attachment.
constexpr char kServerTimeSql[] =
    "SELECT CURRENT_TIMESTAMP, MON$OLDEST_ACTIVE, CURRENT_TRANSACTION, "
    "IIF(CURRENT_USER IN ('SYSDBA', TRIM(MON$OWNER)), 1, 0) FROM MON$DATABASE";

// Every read-write transaction of the other attachments, one row per table it has inserted or
// updated rows of (one row with a NULL table when none), with the start of a statement it is
// running. Texts come as bytes: names the connection's WIN1251 cannot hold must not fail the look.
constexpr char kTransactionsSql[] = R"(
SELECT t.MON$TRANSACTION_ID, t.MON$ATTACHMENT_ID, t.MON$TIMESTAMP,
  CAST(TRIM(TRAILING FROM a.MON$USER) AS VARCHAR(255) CHARACTER SET OCTETS),
  a.MON$REMOTE_ADDRESS,
  CAST(a.MON$REMOTE_PROCESS AS VARCHAR(255) CHARACTER SET OCTETS),
  a.MON$REMOTE_PID,
  (SELECT MIN(s.MON$TIMESTAMP) FROM MON$STATEMENTS s
    WHERE s.MON$TRANSACTION_ID = t.MON$TRANSACTION_ID AND s.MON$STATE = 1),
  w.TABLE_NAME, w.ROWS_WRITTEN
FROM MON$TRANSACTIONS t
JOIN MON$ATTACHMENTS a ON a.MON$ATTACHMENT_ID = t.MON$ATTACHMENT_ID
LEFT JOIN (
  SELECT ts.MON$STAT_ID AS STAT_ID,
    CAST(TRIM(TRAILING FROM ts.MON$TABLE_NAME) AS VARCHAR(255) CHARACTER SET OCTETS) AS TABLE_NAME,
    r.MON$RECORD_INSERTS + r.MON$RECORD_UPDATES AS ROWS_WRITTEN
  FROM MON$TABLE_STATS ts
  JOIN MON$RECORD_STATS r ON r.MON$STAT_ID = ts.MON$RECORD_STAT_ID
  WHERE ts.MON$STAT_GROUP = 2 AND r.MON$RECORD_INSERTS + r.MON$RECORD_UPDATES > 0) w
  ON w.STAT_ID = t.MON$STAT_ID
WHERE t.MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND t.MON$READ_ONLY = 0
ORDER BY t.MON$TRANSACTION_ID)";

enum Column {
  kTransactionId,
  kAttachmentId,
  kStarted,
  kUser,
  kRemoteAddress,
  kRemoteProcess,
  kRemotePid,
  kStatementStarted,
  kTable,
  kRowsWritten,
};

// Bytes of the server's UTF-8 text; anything else (a client's own encoding) is shown byte by
// byte as WIN1251, so the text stays valid UTF-8 for the log.
std::string ServerText(const ibx::TIBField& field) {
  std::string text(Trim(field.AsString()));
  return ibx::IsValidUtf8(text) ? text : ibx::Win1251ToUtf8(text);
}

std::int64_t Rows(const std::vector<TTableWrites>& writes, std::string_view table) {
  for (const TTableWrites& entry : writes) {
    if (entry.table == table) return entry.rows;
  }
  return 0;
}

// What an earlier look learned about the same transaction. The same number means the same
// context: whatever that look knew to be committed still is. A new number on the same
// attachment with the same start, whose old number is gone, is a commit retaining made after
// the earlier look's snapshot: everything written before that look is committed, and what is
// not yet was stamped after it. A transaction that began after the earlier look cannot be taken
// for one: it started after that look's server time. Anything else is known from its start only.
void Continue(TOpenTransaction& now, const TWriteHorizon& previous,
              const std::vector<TOpenTransaction>& current) {
  now.uncommitted_from = now.started;
  const TOpenTransaction* retained = nullptr;
  int candidates = 0;
  for (const TOpenTransaction& before : previous.transactions) {
    if (before.attachment_id != now.attachment_id || before.started != now.started) continue;
    if (before.transaction_id == now.transaction_id) {
      now.uncommitted_from = before.uncommitted_from;
      now.committed = before.committed;
      return;
    }
    const bool gone = std::none_of(current.begin(), current.end(), [&](const auto& t) {
      return t.transaction_id == before.transaction_id;
    });
    if (gone) {
      retained = &before;
      ++candidates;
    }
  }
  if (candidates == 1 && now.started < previous.server_time) {
    now.uncommitted_from = previous.server_time;
    now.committed = retained->written;
  }
}

}  // namespace

std::optional<TDateTime> TOpenTransaction::HeldFrom(std::string_view table) const {
  std::optional<TDateTime> held;
  if (std::find(tables.begin(), tables.end(), table) != tables.end()) held = uncommitted_from;
  if (statement_started > 0 && (!held || statement_started < *held)) held = statement_started;
  return held;
}

const TOpenTransaction* TWriteHorizon::OldestHolder(std::string_view table) const {
  const TOpenTransaction* oldest = nullptr;
  TDateTime oldest_from = 0;
  for (const TOpenTransaction& transaction : transactions) {
    const std::optional<TDateTime> from = transaction.HeldFrom(table);
    if (from && (!oldest || *from < oldest_from)) {
      oldest = &transaction;
      oldest_from = *from;
    }
  }
  return oldest;
}

TDateTime TWriteHorizon::HeldFrom(std::string_view table) const {
  const TOpenTransaction* oldest = OldestHolder(table);
  return oldest ? std::min(server_time, *oldest->HeldFrom(table)) : server_time;
}

std::int64_t TWriteHorizon::PendingFrom(std::string_view table) const {
  if (finished_below <= 0 || !sees_all) return finished_below;
  std::int64_t from = look_transaction;
  for (const TOpenTransaction& transaction : transactions) {
    if (transaction.HeldFrom(table)) from = std::min(from, transaction.transaction_id);
  }
  return from;
}

TWriteHorizon ReadWriteHorizon(ibx::TIBDatabase& work, std::span<const ReplicatedTable> tables,
                               const TWriteHorizon* previous) {
  return WithContext("Чтение открытых транзакций рабочей БД", [&] {
    TWriteHorizon horizon;
    // Declared first, ended last: the statements close before their transaction.
    ibx::TIBTransaction look(work, ibx::TIBTransactionKind::ReadOnly);
    TIBDataSet query(work, &look);
    query.SetSelectSQL(kServerTimeSql);
    query.Open();
    horizon.server_time = query.Fields(0).AsDateTime();
    horizon.finished_below = query.Fields(1).AsInt64();
    horizon.look_transaction = query.Fields(2).AsInt64();
    horizon.sees_all = query.Fields(3).AsInteger() == 1;

    query.SetSelectSQL(kTransactionsSql);
    for (query.Open(); !query.Eof(); query.Next()) {
      const std::int64_t id = query.Fields(kTransactionId).AsInt64();
      if (horizon.transactions.empty() || horizon.transactions.back().transaction_id != id) {
        TOpenTransaction& added = horizon.transactions.emplace_back();
        added.transaction_id = id;
        added.attachment_id = query.Fields(kAttachmentId).AsInt64();
        added.started = query.Fields(kStarted).AsDateTime();
        added.user = ServerText(query.Fields(kUser));
        added.remote_address = ServerText(query.Fields(kRemoteAddress));
        added.remote_process = ServerText(query.Fields(kRemoteProcess));
        added.remote_pid = query.Fields(kRemotePid).AsInteger();
        added.statement_started = query.Fields(kStatementStarted).AsDateTime();
      }
      const std::string table = query.Fields(kTable).AsString();
      const bool replicated = std::any_of(tables.begin(), tables.end(),
                                          [&](const auto& entry) { return entry.table == table; });
      if (replicated) {
        horizon.transactions.back().written.push_back(
            {table, query.Fields(kRowsWritten).AsInt64()});
      }
    }
    query.Close();
    look.Commit();

    for (TOpenTransaction& transaction : horizon.transactions) {
      if (previous) {
        Continue(transaction, *previous, horizon.transactions);
      } else {
        transaction.uncommitted_from = transaction.started;
      }
      // In the order of the table list, so that looks compare entry by entry.
      std::vector<TTableWrites> written;
      for (const ReplicatedTable& entry : tables) {
        const std::int64_t rows = Rows(transaction.written, entry.table);
        if (rows == 0) continue;
        written.push_back({std::string(entry.table), rows});
        if (rows > Rows(transaction.committed, entry.table)) {
          transaction.tables.emplace_back(entry.table);
        }
      }
      transaction.written = std::move(written);
    }
    return horizon;
  });
}

TDateTime HeldMark(const TWriteHorizon& horizon, std::string_view table, double max_hold_days) {
  if (!(max_hold_days > 0)) return horizon.server_time;
  return std::max(horizon.HeldFrom(table), horizon.server_time - max_hold_days);
}

}  // namespace brindle
