// The write horizon of the working database: which other transactions may still commit rows of
// the replicated tables, and from which MODIFYDATE on. A trigger stamps MODIFYDATE with the start
// of the writing statement, not with the commit, so a row can become visible long after its
// stamp; a table's mark must not pass the stamps that such transactions may still commit.
//
// ReadWriteHorizon takes one look through the monitoring tables at the start of a pass; the
// engine keeps the result and hands it to the next look, which needs it to see what a commit
// retaining has already committed. HeldMark then gives the mark to store for each table. The
// results are plain values: they belong to the caller and may go to any thread. The look itself
// uses the working connection, so it runs on the thread that owns that connection.
//
// What the look relies on (measured on the Firebird 3.0.11 server):
// - MON$TABLE_STATS has rows for the transaction group (MON$STAT_GROUP 2), keyed by the
//   transaction's MON$STAT_ID; table names come as stored (upper case here), padded with blanks.
//   The counters grow while a statement runs, triggers' writes included.
// - A statement that is running (MON$STATEMENTS.MON$STATE 1) stamps every row it writes with its
//   MON$TIMESTAMP, though its transaction's counters stay 0 until the rows are written: an
//   INSERT ... SELECT whose select runs long, or a write waiting for a locked row.
// - COMMIT RETAINING gives the transaction a new MON$TRANSACTION_ID but keeps its MON$TIMESTAMP
//   and its counters; only a comparison with an earlier look tells what it has committed.
// - Only SYSDBA and the database's owner see other users' attachments: on a connection of any
//   other user the look sees nothing of theirs, and holds nothing for them.
// One look (two statements in one short transaction) took 0.9 to 1.0 ms on average against the
// private server on this 2-core machine, with 1 and with 51 open writers; scripts/bench
// measures it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"
#include "schema/replicated_tables.h"

namespace brindle {

namespace ibx {
class TIBDatabase;
}

// Inserts plus updates of one replicated table by one transaction. Deletes do not count: the
// copy never deletes.
struct TTableWrites {
  std::string table;
  std::int64_t rows = 0;
  bool operator==(const TTableWrites&) const = default;
};

// A read-write transaction of another attachment, as one look saw it.
struct TOpenTransaction {
  std::int64_t attachment_id = 0;
  std::int64_t transaction_id = 0;  // a new number with every commit retaining
  TDateTime started = 0;            // MON$TIMESTAMP, server time; commit retaining keeps it
  // Of its attachment, trimmed. The address is the server's "host/port".
  std::string user, remote_address, remote_process;
  std::int32_t remote_pid = 0;

  // Per replicated table it has written since it started (commit retaining does not reset the
  // counts), in the order of the table list of the look.
  std::vector<TTableWrites> written;
  // How much of `written` a commit retaining has committed: `written` as the last look before
  // that commit retaining saw it. Empty when no look saw one.
  std::vector<TTableWrites> committed;
  // Its rows not yet committed carry stamps from here on: `started`, or, once a look has seen a
  // commit retaining since the look before, that earlier look's server time.
  TDateTime uncommitted_from = 0;
  // The replicated tables written beyond `committed`: it may still commit rows of these, stamped
  // from uncommitted_from on. In the order of the table list of the look.
  std::vector<std::string> tables;
  // The start of a statement it is running right now, 0 when none: that statement may yet write
  // rows of any table, stamped with this time.
  TDateTime statement_started = 0;

  // The earliest stamp of the rows of `table` it may still commit; empty when it holds none.
  std::optional<TDateTime> HeldFrom(std::string_view table) const;
};

struct TWriteHorizon {
  TDateTime server_time = 0;  // CURRENT_TIMESTAMP of the look
  // Every transaction numbered below this one had ended before the look (the server's oldest
  // active transaction then); 0 when unknown.
  std::int64_t finished_below = 0;
  std::int64_t look_transaction = 0;  // the look's own number
  bool sees_all = false;              // its user sees every attachment (SYSDBA or the owner)
  // Every read-write transaction of other attachments, also those that hold nothing now (a
  // later look compares with them), by transaction number.
  std::vector<TOpenTransaction> transactions;

  // The earliest moment from which rows of `table` may still arrive: the oldest hold of any
  // transaction on it, and never later than server_time.
  TDateTime HeldFrom(std::string_view table) const;
  // The lowest transaction number that may still commit rows of `table` stamped before the look
  // (0: unknown): the oldest holder of the table, or the look's own number when none holds it.
  // Any other transaction numbered below had ended, or writes the table only later, with later
  // stamps. The server's oldest active transaction when the look does not see every attachment.
  std::int64_t PendingFrom(std::string_view table) const;
  // The transaction whose hold on `table` is the oldest, for the log; null when none holds it.
  const TOpenTransaction* OldestHolder(std::string_view table) const;
};

// One look, in a new read-only transaction of its own on `work` (the monitoring snapshot is
// frozen per transaction, so one is never reused), ended before returning. Our own attachment
// and read-only transactions are left out. `previous` is the engine's last look at the same
// database, or null: without it a transaction is held from its start, commit retaining or not.
// Raises ibx::EIBError when the monitoring tables cannot be read.
TWriteHorizon ReadWriteHorizon(ibx::TIBDatabase& work, std::span<const ReplicatedTable> tables,
                               const TWriteHorizon* previous = nullptr);

// The mark to store for a table: HeldFrom(table), but never earlier than server_time less
// max_hold_days, so that a transaction left open for days cannot hold the copy back without end
// (its rows are then read late). max_hold_days <= 0 switches holding off: server_time.
TDateTime HeldMark(const TWriteHorizon& horizon, std::string_view table, double max_hold_days);

}  // namespace brindle
