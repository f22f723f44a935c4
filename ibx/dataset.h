// A statement with its parameters and its forward-only result: the stand-in for the IBX
// TIBDataSet.
//
// Named parameters (":NAME") are mapped to the positional ones Firebird takes; a name used at
// several places takes one value at all of them. The statement is prepared once per text, on
// first use, and re-executed with new parameter values; setting the same text again keeps it.
// Rows are fetched one at a time, so memory does not grow with the number of rows.
// A data set made without a transaction reads through its connection's read-only,
// read-committed transaction. Every failure raises EIBError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ibx/field.h"

namespace brindle::ibx {

class TIBDatabase;
class TIBTransaction;

namespace detail {
struct DataSetCore;
}

class TIBDataSet {
 public:
  explicit TIBDataSet(TIBDatabase& database, TIBTransaction* transaction = nullptr);
  ~TIBDataSet();  // closes the cursor and frees the statement; never throws
  TIBDataSet(const TIBDataSet&) = delete;
  TIBDataSet& operator=(const TIBDataSet&) = delete;
  TIBDataSet(TIBDataSet&&) noexcept;
  TIBDataSet& operator=(TIBDataSet&&) noexcept;

  // Any statement: a query for Open, anything else for ExecSQL. A new text closes the data set
  // and drops the prepared statement with its fields and parameters.
  void SetSelectSQL(std::string_view sql);
  const std::string& SelectSQL() const;
  // Off: the text goes to the server as it is, for texts whose colons are not parameters
  // (PSQL bodies). On by default.
  void SetParamCheck(bool on);
  // Off by default: text parameters go as the longest VARCHAR, so that the server checks the
  // declared length and reports a value that is too long with its own message. On: as long as
  // declared, for statements with so many parameters that the longest form would pass the
  // server's 64 KB limit on a message; a value that is too long then raises before sending.
  void SetTextParamsAsDeclared(bool on);

  void Prepare();
  bool Prepared() const;

  // Runs a query and moves to its first row (Eof when there is none). Opening an open data set
  // runs the query again. Raises for statements that return no rows.
  void Open();
  void Next();
  bool Eof() const;
  bool Active() const;
  // The number of the current row, from 1; 0 before the first.
  std::int64_t RecNo() const;
  void Close();
  // Every cursor is forward-only.
  bool UniDirectional() const { return true; }

  // Runs a statement that returns no rows (INSERT, UPDATE, DELETE, DDL, EXECUTE PROCEDURE);
  // values it returns (RETURNING, procedure outputs) are then in the fields.
  void ExecSQL();
  // Rows that the last ExecSQL inserted, updated or deleted.
  std::int64_t RowsAffected();

  // Fields and parameters prepare the statement when it is not yet prepared.
  std::size_t FieldCount();
  TIBField& Fields(std::size_t index);
  // Names compare ignoring case; an unknown name raises EIBError naming it.
  TIBField& FieldByName(std::string_view name);
  TIBField* FindField(std::string_view name);
  std::size_t ParamCount();
  // The parameters in the order of their first place in the text.
  TIBParam& Params(std::size_t index);
  TIBParam& ParamByName(std::string_view name);

 private:
  friend class TIBPackedRows;
  std::unique_ptr<detail::DataSetCore> core_;
};

}  // namespace brindle::ibx
