#include "replication/copy_lock.h"

#include <ibase.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/win1251.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"
#include "replication/copy_record.h"

namespace brindle {

namespace {

constexpr char kVariable[] = "BRINDLE_COPY_LOCK";
// RDB$SET_CONTEXT keeps at most 255 characters of a value.
constexpr std::size_t kRecordLength = 255;

// The characters of UTF-8 text, each as the connection's WIN1251 can carry it: a character
// that WIN1251 lacks, or a stray byte, becomes "?", so that no path can make the lock fail.
std::vector<std::string> Win1251Characters(std::string_view text) {
  std::vector<std::string> characters;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    length = std::min(length, text.size() - i);
    std::string character(text.substr(i, length));
    if (lead >= 0x80) {
      try {
        ibx::Utf8ToWin1251(character);
      } catch (const ibx::EIBError&) {
        character = "?";
      }
    }
    characters.push_back(std::move(character));
    i += length;
  }
  return characters;
}

std::string Join(std::vector<std::string>::const_iterator begin,
                 std::vector<std::string>::const_iterator end) {
  std::string text;
  for (auto i = begin; i != end; ++i) text += *i;
  return text;
}

// What the holder records about itself: computer, process id and program path, separated by
// tabs. A path too long for the record keeps its end, which names the program.
constexpr char kRepairUse[] = "repair";

std::string OwnRecord(TCopyLockUse use) {
  // The use goes before the path, which is the part that may be cut.
  const std::vector<std::string> head =
      Win1251Characters(ComputerName() + '\t' + std::to_string(getpid()) + '\t' +
                        (use == TCopyLockUse::kRepair ? kRepairUse : "copy") + '\t');
  const std::vector<std::string> path = Win1251Characters(ProgramFolder() + ProgramFileName());
  std::string record = Join(head.begin(), head.end());
  if (head.size() + path.size() <= kRecordLength) return record + Join(path.begin(), path.end());
  const std::size_t kept = kRecordLength - std::min(kRecordLength, head.size() + 3);
  return record + "..." + Join(path.end() - static_cast<std::ptrdiff_t>(kept), path.end());
}

// The operator's text of a holder's record: computer, pid, use and path (earlier versions wrote
// no use); a record of another form as it is.
std::string RecordText(const std::string& record, TCopyLockUse& use) {
  const std::size_t first = record.find('\t');
  const std::size_t second = first == std::string::npos ? first : record.find('\t', first + 1);
  if (second == std::string::npos) return record;
  std::size_t path = second + 1;
  if (const std::size_t third = record.find('\t', path); third != std::string::npos) {
    const std::string used = record.substr(path, third - path);
    if (used == kRepairUse || used == "copy") {
      use = used == kRepairUse ? TCopyLockUse::kRepair : TCopyLockUse::kCopy;
      path = third + 1;
    }
  }
  return "компьютер " + record.substr(0, first) + ", процесс " + record.substr(path) + " (pid " +
         record.substr(first + 1, second - first - 1) + ")";
}

// The errors of a statement that needs a row another transaction holds, in a NO WAIT
// transaction. Firebird 3 reports isc_deadlock, isc_update_conflict and
// isc_concurrent_transaction; isc_lock_conflict is the other form a refused lock takes.
bool IsHeldByAnother(const ibx::EIBError& e) {
  return e.HasErrorCode(isc_update_conflict) || e.HasErrorCode(isc_lock_conflict);
}

bool IsDuplicateKey(const ibx::EIBError& e) {
  return e.HasErrorCode(isc_unique_key_violation) || e.HasErrorCode(isc_no_dup);
}

}  // namespace

std::string CopyTakenText(TCopyLockUse holder_use, const std::string& holder) {
  return std::string(holder_use == TCopyLockUse::kRepair
                         ? "копию БД сейчас исправляет проверка копии (--check --repair)"
                         : "копию БД сейчас заполняет другая программа") +
         (holder.empty() ? std::string() : " (" + holder + ")");
}

TCopyLock::TCopyLock(ibx::TIBDatabase& copy, TCopyLockUse use) : copy_(copy), use_(use) {}

TCopyLock::~TCopyLock() {
  Release();
}

bool TCopyLock::Held() const {
  return transaction_ && transaction_->InTransaction();
}

void TCopyLock::Release() noexcept {
  // The rollback also drops the context variable that named this holder.
  transaction_.reset();
}

bool TCopyLock::TryAcquire() {
  holder_text_.clear();
  holder_use_ = TCopyLockUse::kCopy;
  if (Held()) return true;
  // No row at the lock: another program's insert of it is not committed yet, or the row was
  // deleted just now. Each look takes a few milliseconds, so the first case has usually ended
  // by the next one.
  for (int attempt = 0; attempt < 3; ++attempt) {
    EnsureRow();
    switch (Lock()) {
      case Attempt::Locked:
        return true;
      case Attempt::Taken:
        FindHolder();
        return false;
      case Attempt::NoRow:
        break;
    }
  }
  // Another program keeps the row's insert open: it is taking the lock.
  return false;
}

void TCopyLock::EnsureRow() {
  ibx::TIBDataSet exists(copy_);
  exists.SetSelectSQL("SELECT 1 FROM CONFIGPARAMS WHERE " + CopyLockRowCondition());
  exists.Open();
  const bool found = !exists.Eof();
  exists.Close();
  if (found) return;
  // NO WAIT: a waiting insert of a key that exists waits for the transaction holding that row,
  // that is for the whole pass of the lock's holder. A duplicate key (or a conflict) means that
  // the row exists or that another program's insert of it is pending; the lock attempt tells
  // which.
  ibx::TIBTransaction create(copy_, ibx::TIBTransactionKind::ReadWriteNoWait);
  ibx::TIBDataSet insert(copy_, &create);
  insert.SetSelectSQL(
      "INSERT INTO CONFIGPARAMS (FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME, "
      "MODIFYDATE) VALUES (" +
      CopyLockRowValues() + ", CURRENT_TIMESTAMP)");
  try {
    insert.ExecSQL();
    create.Commit();
  } catch (const ibx::EIBError& e) {
    if (!IsDuplicateKey(e) && !IsHeldByAnother(e)) throw;
  }
}

TCopyLock::Attempt TCopyLock::Lock() {
  transaction_.emplace(copy_, ibx::TIBTransactionKind::ReadWriteNoWait);
  try {
    // One statement takes the row and names the holder, so that whoever finds the row taken
    // finds the name too; a refused statement sets nothing.
    ibx::TIBDataSet lock(copy_, &*transaction_);
    lock.SetSelectSQL(std::string("SELECT RDB$SET_CONTEXT('USER_TRANSACTION', '") + kVariable +
                      "', :HOLDER) FROM CONFIGPARAMS WHERE " + CopyLockRowCondition() +
                      " WITH LOCK");
    lock.ParamByName("HOLDER").SetAsString(OwnRecord(use_));
    lock.Open();
    // The row stays locked by the transaction after the cursor closes.
    if (!lock.Eof()) return Attempt::Locked;
  } catch (const ibx::EIBError& e) {
    transaction_.reset();
    if (IsHeldByAnother(e)) return Attempt::Taken;
    throw;
  } catch (...) {
    transaction_.reset();
    throw;
  }
  transaction_.reset();
  return Attempt::NoRow;
}

void TCopyLock::FindHolder() {
  // A transaction of its own: a transaction sees the monitoring tables as of its first look.
  ibx::TIBTransaction look(copy_, ibx::TIBTransactionKind::ReadOnly);
  ibx::TIBDataSet holder(copy_, &look);
  holder.SetSelectSQL(
      std::string(
          "SELECT MON$VARIABLE_VALUE FROM MON$CONTEXT_VARIABLES WHERE MON$VARIABLE_NAME = '") +
      kVariable + "'");
  holder.Open();
  const std::string record =
      holder.Eof() || holder.Fields(0).IsNull() ? "" : holder.Fields(0).AsString();
  holder.Close();
  look.Commit();
  if (!record.empty()) holder_text_ = RecordText(record, holder_use_);
}

}  // namespace brindle
