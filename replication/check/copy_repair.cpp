#include "replication/check/copy_repair.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <unordered_set>

#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "platform/error.h"
#include "replication/check/key_ranges.h"
#include "replication/copy_lock.h"
#include "replication/copy_pass.h"
#include "replication/copy_writer.h"
#include "replication/replication_sql.h"

namespace brindle {

namespace {

// Keys written per transaction and read again per query: under the server's 1,500 values of an
// IN list.
constexpr std::size_t kRepairRangeRows = 1000;
// A pass holds the lock for seconds; a first fill of a large copy for longer.
constexpr auto kLockWait = std::chrono::minutes(10);
constexpr auto kLockRetry = std::chrono::milliseconds(200);

}  // namespace

std::int64_t OrphanBound(std::int64_t copy_rows) {
  return std::max<std::int64_t>(100, copy_rows / 100);
}

TCopyRepair::TCopyRepair(TFyrn& fyrn, ibx::TIBDatabase& work, ibx::TIBDatabase& copy,
                         const ReplicatedTable& table, std::vector<std::string> columns,
                         TRepairOptions options)
    : fyrn_(fyrn),
      work_(work),
      copy_(copy),
      table_(table),
      columns_(std::move(columns)),
      key_index_(static_cast<std::size_t>(
          std::find(columns_.begin(), columns_.end(), table.key_column) - columns_.begin())),
      options_(options) {}

TCopyRepair::~TCopyRepair() = default;

void TCopyRepair::Write(ibx::TIBValue key) {
  keys_.push_back(std::move(key));
  if (keys_.size() >= kRepairRangeRows) Flush(false);
}

void TCopyRepair::Delete(ibx::TIBValue key) {
  if (!options_.DeleteOrphans) return;
  ++orphans_seen_;
  if (options_.OrphanBound >= 0 && orphans_seen_ > options_.OrphanBound) {
    orphans_.clear();
    done_.OrphansOverBound = true;
    return;
  }
  orphans_.push_back(std::move(key));
}

void TCopyRepair::Finish() {
  Flush(true);
}

void TCopyRepair::AcquireLock(TCopyLock& lock) {
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  while (!lock.TryAcquire()) {
    if (options_.Cancel && *options_.Cancel) throw Exception("Проверка прервана");
    if (std::chrono::steady_clock::now() >= deadline) {
      throw TCheckRefused(
          "Исправление не закончено: " + CopyTakenText(lock.HolderUse(), lock.HolderText()) +
          "; повторите его позже");
    }
    std::this_thread::sleep_for(kLockRetry);
  }
}

void TCopyRepair::ReadAgain(const std::vector<ibx::TIBValue>& keys) {
  if (!read_again_) {
    read_again_ = fyrn_.CreateDataSet(work_, nullptr);
    read_again_->SetTextParamsAsDeclared(true);
    read_again_->SetSelectSQL(BuildProbeManySql(
        std::string(table_.table), std::string(table_.key_column), columns_, kRepairRangeRows));
  }
  for (std::size_t i = 0; i < kRepairRangeRows; ++i) {
    if (i < keys.size()) {
      read_again_->Params(i).SetAsVariant(keys[i]);
    } else {
      read_again_->Params(i).Clear();  // matches nothing
    }
  }
  rows_.clear();
  const std::vector<std::size_t> fields = ibx::TIBPackedRows::FirstFields(columns_.size());
  for (read_again_->Open(); !read_again_->Eof(); read_again_->Next()) {
    rows_.Append(*read_again_, fields);
  }
  read_again_->Close();
}

void TCopyRepair::Flush(bool last) {
  std::vector<ibx::TIBValue> orphans;
  if (last && !done_.OrphansOverBound) orphans.swap(orphans_);
  if (keys_.empty() && orphans.empty()) return;
  // Every key once, the rows to write first: a key that is an orphan as well came back.
  std::vector<ibx::TIBValue> keys = std::move(keys_);
  keys_.clear();
  keys.insert(keys.end(), orphans.begin(), orphans.end());
  TCopyLock lock(copy_, TCopyLockUse::kRepair);
  AcquireLock(lock);
  std::unordered_set<std::string> present;  // keys the working database has now
  try {
    TCopyWriter writer(fyrn_, copy_, table_);
    writer.Begin(columns_, true);
    for (std::size_t first = 0; first < keys.size(); first += kRepairRangeRows) {
      const auto begin = keys.begin() + static_cast<std::ptrdiff_t>(first);
      ReadAgain({begin, begin + static_cast<std::ptrdiff_t>(
                                    std::min(kRepairRangeRows, keys.size() - first))});
      for (std::size_t row = 0; row < rows_.size(); ++row) {
        present.insert(KeyText(rows_.Value(row, key_index_), table_.text_key));
        writer.Add(rows_, row);
      }
      writer.Flush();
    }
    writer.Commit();
    const TCopyWriter::Counts written = writer.Written();
    done_.Inserted += written.Inserted;
    done_.Updated += written.Updated;
    done_.Mended += written.Inserted + written.Updated + written.Unchanged;
  } catch (...) {
    WrapException("Исправление копии, таблица " + std::string(table_.table));
  }
  if (orphans.empty()) return;
  try {
    const auto transaction = fyrn_.CreateTransaction(copy_);
    const auto statement = fyrn_.CreateDataSet(copy_, transaction.get());
    statement->SetSelectSQL("DELETE FROM \"" + std::string(table_.table) + "\" WHERE \"" +
                            std::string(table_.key_column) + "\" = ?");
    std::int64_t deleted = 0, mended = 0;
    for (const ibx::TIBValue& orphan : orphans) {
      // An orphan whose working row came back was written above.
      if (present.contains(KeyText(orphan, table_.text_key))) continue;
      statement->Params(0).SetAsVariant(orphan);
      statement->ExecSQL();
      deleted += statement->RowsAffected();
      ++mended;
    }
    transaction->Commit();
    done_.Deleted += deleted;
    done_.Mended += mended;
  } catch (...) {
    WrapException("Удаление лишних записей копии, таблица " + std::string(table_.table));
  }
}

}  // namespace brindle
