// Values of every type go to the server and come back exactly, with one text form per type;
// WIN1251 text is transcoded at the boundary and the server sees the same characters.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/packed_rows.h"
#include "ibx/transaction.h"
#include "ibx/value.h"
#include "platform/date_time.h"
#include "platform/text.h"
#include "tests/support/test_database.h"

namespace brindle::ibx {
namespace {

using testing::TestDatabase;

constexpr const char* kColumns[] = {"S", "I", "B", "N", "D", "DT", "TM", "TS", "V", "MEMO", "BIN"};

class IbxValues : public ::testing::Test {
 protected:
  IbxValues() {
    db_.Execute(
        {"CREATE TABLE VALS (ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, "
         "B BIGINT, N NUMERIC(15,4), D DOUBLE PRECISION, DT DATE, TM TIME, TS TIMESTAMP, "
         "V VARCHAR(50), MEMO BLOB SUB_TYPE TEXT, BIN BLOB SUB_TYPE 0)"});
  }

  // Inserts one row through parameters set as texts, in the order of kColumns, commits, and
  // opens the row again.
  TIBDataSet& RoundTrip(const std::vector<std::string>& texts) {
    std::vector<std::pair<std::string, std::string>> values;
    for (std::size_t i = 0; i < texts.size(); ++i) values.emplace_back(kColumns[i], texts[i]);
    return RoundTripNamed(values);
  }

  // The same with the columns named; the others stay NULL.
  TIBDataSet& RoundTripNamed(const std::vector<std::pair<std::string, std::string>>& values) {
    {
      TIBTransaction write(database_);
      TIBDataSet insert(database_, &write);
      insert.SetSelectSQL(
          "INSERT INTO VALS (ID, S, I, B, N, D, DT, TM, TS, V, MEMO, BIN) "
          "VALUES (:ID, :S, :I, :B, :N, :D, :DT, :TM, :TS, :V, :MEMO, :BIN)");
      insert.ParamByName("ID").SetAsInteger(++id_);
      for (const auto& [column, text] : values) insert.ParamByName(column).SetAsString(text);
      insert.ExecSQL();
      write.Commit();
    }
    read_.SetSelectSQL("SELECT * FROM VALS WHERE ID = :ID");
    read_.ParamByName("ID").SetAsInteger(id_);
    read_.Open();
    EXPECT_FALSE(read_.Eof());
    return read_;
  }

  // The server's own text for an expression over the row just written.
  std::string ServerText(const std::string& expression) {
    TIBDataSet query(database_);
    query.SetSelectSQL("SELECT " + expression + " FROM VALS WHERE ID = " + std::to_string(id_));
    query.Open();
    return query.Fields(0).AsString();
  }

  TestDatabase db_;
  TIBDatabase database_{db_.Connect()};
  TIBDataSet read_{database_};
  int id_ = 0;
};

TEST_F(IbxValues, EveryTypeRoundTripsWithItsExactTextForm) {
  const std::vector<std::string> texts = {"-32768",
                                          "2147483647",
                                          "-9223372036854775808",
                                          "-12345678901.2345",
                                          "0.1",
                                          "2024-05-17",
                                          "13:53:59.1234",
                                          "2024-05-17 13:53:59.1234",
                                          "Съешь же ещё этих булок",
                                          "Длинный текст в BLOB",
                                          std::string("\x00\x01\xFE\xFF", 4)};
  TIBDataSet& row = RoundTrip(texts);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(row.FieldByName(kColumns[i]).AsString(), texts[i]) << kColumns[i];
  }
  // The server holds those values, not merely values that decode back to the same text.
  EXPECT_EQ(ServerText("CAST(N AS VARCHAR(30))"), "-12345678901.2345");
  EXPECT_EQ(ServerText("CAST(TS AS VARCHAR(30))"), "2024-05-17 13:53:59.1234");
  EXPECT_EQ(ServerText("CAST(TM AS VARCHAR(20))"), "13:53:59.1234");
  EXPECT_EQ(ServerText("IIF(D = 0.1e0, 1, 0)"), "1");
  EXPECT_EQ(ServerText("CHAR_LENGTH(V)"), "23");
  EXPECT_EQ(ServerText("UPPER(V)"), "СЪЕШЬ ЖЕ ЕЩЁ ЭТИХ БУЛОК");
  EXPECT_EQ(ServerText("CAST(MEMO AS VARCHAR(50))"), "Длинный текст в BLOB");
  EXPECT_EQ(ServerText("OCTET_LENGTH(BIN)"), "4");

  EXPECT_EQ(row.FieldByName("S").DataType(), TFieldType::ftSmallint);
  EXPECT_EQ(row.FieldByName("I").DataType(), TFieldType::ftInteger);
  EXPECT_EQ(row.FieldByName("B").DataType(), TFieldType::ftLargeint);
  EXPECT_EQ(row.FieldByName("N").DataType(), TFieldType::ftBCD);
  EXPECT_EQ(row.FieldByName("N").Scale(), -4);
  EXPECT_EQ(row.FieldByName("D").DataType(), TFieldType::ftFloat);
  EXPECT_EQ(row.FieldByName("DT").DataType(), TFieldType::ftDate);
  EXPECT_EQ(row.FieldByName("TM").DataType(), TFieldType::ftTime);
  EXPECT_EQ(row.FieldByName("TS").DataType(), TFieldType::ftDateTime);
  EXPECT_EQ(row.FieldByName("V").DataType(), TFieldType::ftString);
  EXPECT_EQ(row.FieldByName("V").Size(), 50u);
  EXPECT_EQ(row.FieldByName("MEMO").DataType(), TFieldType::ftMemo);
  EXPECT_EQ(row.FieldByName("BIN").DataType(), TFieldType::ftBlob);
  EXPECT_EQ(row.FieldByName("V").RelationName(), "VALS");
}

TEST_F(IbxValues, ExtremesRoundTrip) {
  TIBDataSet& high = RoundTrip({"32767", "-2147483648", "9223372036854775807", "99999999999.9999",
                                "1.7976931348623157e+308", "9999-12-31", "23:59:59.9999",
                                "9999-12-31 23:59:59.9999", std::string(50, 'x'), "", ""});
  EXPECT_EQ(high.FieldByName("B").AsInt64(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(high.FieldByName("N").AsString(), "99999999999.9999");
  EXPECT_EQ(high.FieldByName("D").AsFloat(), std::numeric_limits<double>::max());
  EXPECT_EQ(high.FieldByName("TS").AsString(), "9999-12-31 23:59:59.9999");
  EXPECT_EQ(high.FieldByName("TM").AsString(), "23:59:59.9999");
  EXPECT_EQ(high.FieldByName("V").AsString(), std::string(50, 'x'));
  EXPECT_FALSE(high.FieldByName("MEMO").IsNull());  // an empty text is not NULL
  EXPECT_EQ(high.FieldByName("MEMO").AsString(), "");

  TIBDataSet& low = RoundTrip({"0", "0", "0", "-0.0001", "-2.5e-300", "0001-01-01", "00:00:00.0000",
                               "0001-01-01 00:00:00.0001", " padded ", "", ""});
  EXPECT_EQ(low.FieldByName("N").AsString(), "-0.0001");
  EXPECT_EQ(low.FieldByName("D").AsString(), "-2.5e-300");
  EXPECT_EQ(low.FieldByName("DT").AsString(), "0001-01-01");
  EXPECT_EQ(low.FieldByName("TS").AsString(), "0001-01-01 00:00:00.0001");
  EXPECT_EQ(low.FieldByName("V").AsString(), " padded ");
}

TEST_F(IbxValues, NullRoundTripsInEveryType) {
  TIBTransaction write(database_);
  TIBDataSet insert(database_, &write);
  insert.SetSelectSQL(
      "INSERT INTO VALS (ID, S, I, B, N, D, DT, TM, TS, V, MEMO, BIN) "
      "VALUES (1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  const char* valid[] = {"1", "1", "1", "1", "1", "2024-01-01", "10:00", "2024-01-01 10:00",
                         "1", "1", "1"};
  ASSERT_EQ(insert.ParamCount(), std::size(valid));
  for (std::size_t i = 0; i < insert.ParamCount(); ++i) {
    insert.Params(i).SetAsString(valid[i]);  // set, then cleared: Clear must really send NULL
    EXPECT_FALSE(insert.Params(i).IsNull());
    insert.Params(i).Clear();
    EXPECT_TRUE(insert.Params(i).IsNull());
  }
  insert.ExecSQL();
  write.Commit();

  TIBDataSet row(database_);
  row.SetSelectSQL("SELECT S, I, B, N, D, DT, TM, TS, V, MEMO, BIN FROM VALS");
  row.Open();
  for (std::size_t i = 0; i < row.FieldCount(); ++i) {
    const TIBField& field = row.Fields(i);
    EXPECT_TRUE(field.IsNull()) << field.FieldName();
    EXPECT_EQ(field.AsString(), "") << field.FieldName();
    EXPECT_EQ(field.AsInteger(), 0) << field.FieldName();
    EXPECT_TRUE(field.AsVariant().IsNull()) << field.FieldName();
  }
  TIBDataSet count(database_);
  count.SetSelectSQL(
      "SELECT COUNT(*) FROM VALS WHERE S IS NULL AND I IS NULL AND B IS NULL "
      "AND N IS NULL AND D IS NULL AND DT IS NULL AND TM IS NULL AND TS IS NULL AND V IS NULL "
      "AND MEMO IS NULL AND BIN IS NULL");
  count.Open();
  EXPECT_EQ(count.Fields(0).AsInteger(), 1);
}

TEST_F(IbxValues, VariantsCopyRowsBetweenConnectionsExactly) {
  RoundTrip({"-7", "42", "1234567890123", "3.1416", "2.718281828459045", "2026-12-08",
             "13:39:31.7760", "2026-12-08 13:39:31.7760", "Ёлка", std::string(100000, 'z'),
             std::string("\x98\x00\xC0", 3)});
  TestDatabase copy_db;
  copy_db.Execute(
      {"CREATE TABLE VALS (ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, "
       "B BIGINT, N NUMERIC(15,4), D DOUBLE PRECISION, DT DATE, TM TIME, "
       "TS TIMESTAMP, V VARCHAR(50), MEMO BLOB SUB_TYPE TEXT, BIN BLOB)"});
  TIBDatabase copy = copy_db.Connect();
  {
    TIBTransaction write(copy);
    TIBDataSet insert(copy, &write);
    insert.SetSelectSQL(
        "INSERT INTO VALS (ID, S, I, B, N, D, DT, TM, TS, V, MEMO, BIN) "
        "VALUES (:ID, :S, :I, :B, :N, :D, :DT, :TM, :TS, :V, :MEMO, :BIN)");
    for (std::size_t i = 0; i < read_.FieldCount(); ++i) {
      insert.Params(i).SetAsVariant(read_.Fields(i).AsVariant());
    }
    insert.ExecSQL();
    write.Commit();
  }
  TIBDataSet copied(copy);
  copied.SetSelectSQL("SELECT * FROM VALS");
  copied.Open();
  ASSERT_EQ(copied.FieldCount(), read_.FieldCount());
  for (std::size_t i = 0; i < copied.FieldCount(); ++i) {
    EXPECT_EQ(copied.Fields(i).AsVariant(), read_.Fields(i).AsVariant())
        << copied.Fields(i).FieldName();
    EXPECT_EQ(copied.Fields(i).AsString(), read_.Fields(i).AsString());
  }
  EXPECT_EQ(copied.FieldByName("MEMO").AsString().size(), 100000u);
}

TEST_F(IbxValues, Win1251MatchesTheServersTableForEveryCharacter) {
  db_.Execute({"CREATE TABLE CHARS (CODE INTEGER, C VARCHAR(1))"});
  TIBTransaction write(database_);
  TIBDataSet insert(database_, &write);
  insert.SetSelectSQL("INSERT INTO CHARS (CODE, C) VALUES (:CODE, :C)");
  std::string all;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte == 0x98) continue;  // unassigned in WIN1251
    insert.ParamByName("CODE").SetAsInteger(byte);
    insert.ParamByName("C").SetAsVariant(TIBValue::Bytes(std::string(1, static_cast<char>(byte))));
    insert.ExecSQL();
  }
  write.Commit();
  // The server turns each WIN1251 byte into UTF-8 itself; OCTETS passes its bytes unchanged.
  TIBDataSet query(database_);
  query.SetSelectSQL(
      "SELECT CODE, C, CAST(CAST(C AS VARCHAR(1) CHARACTER SET UTF8) "
      "AS VARCHAR(4) CHARACTER SET OCTETS) FROM CHARS ORDER BY CODE");
  int rows = 0;
  for (query.Open(); !query.Eof(); query.Next(), ++rows) {
    EXPECT_EQ(query.Fields(1).AsString(), query.Fields(2).AsString())
        << "byte " << query.Fields(0).AsInteger();
  }
  EXPECT_EQ(rows, 254);
}

TEST_F(IbxValues, TextOutsideWin1251IsRefusedNamingTheParameter) {
  TIBDataSet insert(database_);
  insert.SetSelectSQL("SELECT * FROM VALS WHERE V = :V");
  try {
    insert.ParamByName("V").SetAsString("Цена 5 ¥");
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("Параметр \"V\""), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("U+00A5"), std::string::npos) << e.Message();
  }
  EXPECT_TRUE(insert.ParamByName("V").IsNull());
}

TEST_F(IbxValues, TooLongTextFailsWithTheServersMessage) {
  TIBTransaction write(database_);
  TIBDataSet insert(database_, &write);
  insert.SetSelectSQL("INSERT INTO VALS (ID, V) VALUES (1, :V)");
  insert.ParamByName("V").SetAsString(std::string(51, 'x'));
  try {
    insert.ExecSQL();
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("string right truncation"), std::string::npos) << e.Message();
  }
}

TEST_F(IbxValues, ConversionsRoundAsTheServerDoes) {
  TIBTransaction write(database_);
  TIBDataSet insert(database_, &write);
  insert.SetSelectSQL("INSERT INTO VALS (ID, I, N, TS, DT) VALUES (:ID, :I, :N, :TS, :DT)");
  insert.ParamByName("ID").SetAsInteger(1);
  insert.ParamByName("I").SetAsString("2.5");
  insert.ParamByName("N").SetAsFloat(1.23456);
  insert.ParamByName("TS").SetAsDateTime(EncodeDateTime({2024, 5, 17, 14, 3, 59, 120}));
  insert.ParamByName("DT").SetAsString("17.05.2024 23:00");
  insert.ExecSQL();
  insert.ParamByName("ID").SetAsInteger(2);
  insert.ParamByName("I").SetAsString("-2.5");
  insert.ParamByName("N").SetAsString("-1.23455");
  insert.ExecSQL();
  write.Commit();

  TIBDataSet query(database_);
  query.SetSelectSQL("SELECT I, N, TS, DT, CAST(I AS VARCHAR(20)) FROM VALS ORDER BY ID");
  query.Open();
  EXPECT_EQ(query.Fields(0).AsInteger(), 3);
  EXPECT_EQ(query.Fields(1).AsString(), "1.2346");
  EXPECT_EQ(query.Fields(2).AsString(), "2024-05-17 14:03:59.1200");
  EXPECT_EQ(query.Fields(2).AsDateTime(), EncodeDateTime({2024, 5, 17, 14, 3, 59, 120}));
  EXPECT_EQ(query.Fields(3).AsString(), "2024-05-17");
  query.Next();
  EXPECT_EQ(query.Fields(0).AsInteger(), -3);
  EXPECT_EQ(query.Fields(1).AsString(), "-1.2346");
  EXPECT_EQ(query.Fields(1).AsFloat(), -1.2346);
  EXPECT_EQ(query.Fields(1).AsInteger(), -1);
}

TEST_F(IbxValues, ImpossibleConversionsNameFieldOrParameter) {
  TIBDataSet insert(database_);
  insert.SetSelectSQL("SELECT * FROM VALS WHERE I = :I AND TS = :TS");
  try {
    insert.ParamByName("I").SetAsString("12a");
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_EQ(e.Message(),
              "Параметр \"I\" -> Значение VARCHAR \"12a\" нельзя преобразовать в BIGINT");
  }
  EXPECT_THROW(insert.ParamByName("TS").SetAsString("2024-02-30"), EIBError);
  EXPECT_THROW(insert.ParamByName("TS").SetAsFloat(45000), EIBError);

  TIBDataSet query(database_);
  query.SetSelectSQL("SELECT 'x1' AS CODE, 3000000000 AS BIG FROM RDB$DATABASE");
  query.Open();
  try {
    query.FieldByName("CODE").AsInteger();
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_EQ(e.Message().rfind("Поле \"CODE\" -> ", 0), 0u) << e.Message();
  }
  EXPECT_THROW(query.FieldByName("BIG").AsInteger(), EIBError);
  EXPECT_EQ(query.FieldByName("BIG").AsInt64(), 3000000000);
}

TEST_F(IbxValues, PackedRowsGiveEveryValueBackAndEqualBytesOnlyForEqualValues) {
  // A long text before short ones, so that what a longer value left in the message cannot
  // make two rows look alike; trailing blanks, '' against NULL, 0.1 ms and a fourth decimal.
  const std::vector<std::vector<std::pair<std::string, std::string>>> rows = {
      {{"V", "длинный текст перед коротким"}, {"N", "1.2345"}, {"MEMO", "памятка"}},
      {{"V", "a"}, {"N", "1.2346"}, {"TS", "2026-12-09 01:02:03.1234"}, {"BIN", "\x01"}},
      {{"V", "a "}, {"TS", "2026-12-09 01:02:03.1235"}, {"MEMO", ""}},
      {{"V", ""}, {"D", "0.1"}, {"I", "0"}},
      {},
      {{"V", "a"}, {"N", "1.2346"}, {"TS", "2026-12-09 01:02:03.1234"}, {"BIN", "\x01"}},
  };
  for (const auto& values : rows) RoundTripNamed(values);
  const std::string select = "SELECT S, I, B, N, D, DT, TM, TS, V, MEMO, BIN FROM VALS ORDER BY ID";
  TIBPackedRows packed;
  std::vector<std::vector<TIBValue>> expected;
  {
    TIBDataSet query(database_);
    query.SetSelectSQL(select);
    for (query.Open(); !query.Eof(); query.Next()) {
      packed.Append(query, TIBPackedRows::FirstFields(query.FieldCount()));
      expected.emplace_back();
      for (std::size_t i = 0; i < query.FieldCount(); ++i) {
        expected.back().push_back(query.Fields(i).AsVariant());
      }
    }
  }
  ASSERT_EQ(packed.size(), rows.size());
  ASSERT_EQ(packed.FieldCount(), 11u);
  for (std::size_t r = 0; r < packed.size(); ++r) {
    for (std::size_t f = 0; f < packed.FieldCount(); ++f) {
      EXPECT_EQ(packed.Value(r, f), expected[r][f]) << "row " << r << " field " << f;
      EXPECT_EQ(packed.IsNull(r, f), expected[r][f].IsNull());
      ASSERT_TRUE(packed.SameEncoding(f, packed, f));
    }
  }
  // Rows passed on keep their values, of as many fields as asked.
  TIBPackedRows passed;
  for (std::size_t r = packed.size(); r-- > 0;) passed.AppendRow(packed, r, 9);
  ASSERT_EQ(passed.FieldCount(), 9u);
  for (std::size_t r = 0; r < packed.size(); ++r) {
    for (std::size_t f = 0; f < 9; ++f) {
      EXPECT_EQ(passed.Value(packed.size() - 1 - r, f), expected[r][f]) << r << " " << f;
    }
  }
  // Read a second time, newest first, through a connection of its own: a field's bytes are
  // equal exactly when its values are.
  TIBDatabase other = db_.Connect();
  TIBDataSet again(other);
  again.SetSelectSQL(select + " DESC");
  TIBPackedRows reversed;
  for (again.Open(); !again.Eof(); again.Next()) {
    reversed.Append(again, TIBPackedRows::FirstFields(again.FieldCount()));
  }
  for (std::size_t r = 0; r < packed.size(); ++r) {
    for (std::size_t q = 0; q < reversed.size(); ++q) {
      for (std::size_t f = 0; f < packed.FieldCount(); ++f) {
        EXPECT_EQ(packed.Packed(r, f) == reversed.Packed(q, f),
                  expected[r][f] == expected[rows.size() - 1 - q][f])
            << "rows " << r << " and " << rows.size() - 1 - q << ", field " << f;
      }
    }
    EXPECT_EQ(packed.PackedPrefix(r, 11), reversed.PackedPrefix(rows.size() - 1 - r, 11));
  }
  EXPECT_EQ(packed.PackedPrefix(1, 11), packed.PackedPrefix(5, 11));
  EXPECT_NE(packed.PackedPrefix(1, 9), packed.PackedPrefix(2, 9));

  // Bytes compare only where both sides encode a field alike: CHAR of another length pads
  // differently and another scale counts other units; VARCHAR of another length does not matter.
  auto shape = [&](const std::string& list) {
    TIBDataSet query(database_);
    query.SetSelectSQL("SELECT " + list + " FROM VALS ORDER BY ID");
    query.Open();
    TIBPackedRows one;
    one.Append(query, TIBPackedRows::FirstFields(query.FieldCount()));
    return one;
  };
  const TIBPackedRows narrow = shape("CAST(V AS CHAR(40)), N, CAST(V AS VARCHAR(40)), I");
  const TIBPackedRows wide =
      shape("CAST(V AS CHAR(41)), CAST(N AS NUMERIC(15,2)), CAST(V AS VARCHAR(90)), B");
  EXPECT_FALSE(narrow.SameEncoding(0, wide, 0));
  EXPECT_FALSE(narrow.SameEncoding(1, wide, 1));
  EXPECT_TRUE(narrow.SameEncoding(2, wide, 2));
  EXPECT_EQ(narrow.Packed(0, 2), wide.Packed(0, 2));
  EXPECT_FALSE(narrow.SameEncoding(3, wide, 3));
  EXPECT_FALSE(TIBPackedRows().SameEncoding(0, wide, 0));
}

TEST_F(IbxValues, LargeBlobsRoundTripWhole) {
  std::string text;
  for (int i = 0; text.size() < 200000; ++i) text += "строка " + std::to_string(i) + "\n";
  std::string bytes(150000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  TIBDataSet& row = RoundTripNamed({{"MEMO", text}, {"BIN", bytes}});
  EXPECT_EQ(row.FieldByName("MEMO").AsString(), text);
  EXPECT_EQ(row.FieldByName("BIN").AsString(), bytes);
  // The server counts the characters of the WIN1251 text, one byte each.
  EXPECT_EQ(ServerText("CHAR_LENGTH(MEMO)"), std::to_string(CharCount(text)));
  EXPECT_EQ(ServerText("OCTET_LENGTH(MEMO)"), std::to_string(CharCount(text)));
}

TEST_F(IbxValues, BlobsAreReadForEachRow) {
  RoundTripNamed({{"MEMO", "первый"}, {"BIN", "1"}});
  RoundTripNamed({{"MEMO", "второй"}});
  RoundTripNamed({{"BIN", "3"}});
  TIBDataSet query(database_);
  query.SetSelectSQL("SELECT MEMO, BIN FROM VALS ORDER BY ID");
  std::vector<std::string> seen;
  for (query.Open(); !query.Eof(); query.Next()) {
    seen.push_back(query.Fields(0).AsString() + "|" + query.Fields(1).AsString() + "|" +
                   (query.Fields(1).IsNull() ? "null" : "set"));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"первый|1|set", "второй||null", "|3|set"}));
}

TEST(IbxValueForms, DateTimesConvertToTheMillisecond) {
  // 1899-12-29 06:00 is -1.25 in the suite's day count.
  const TIBTimestamp before_epoch = FromDateTime(-1.25);
  EXPECT_EQ(FormatTimestamp(before_epoch), "1899-12-29 06:00:00.0000");
  EXPECT_EQ(ToDateTime(before_epoch), -1.25);
  EXPECT_EQ(FormatTimestamp(FromDateTime(0)), "1899-12-30 00:00:00.0000");
  // 1/10000 s rounds to the nearest millisecond, up to the next day if need be.
  EXPECT_EQ(ToDateTime(ParseTimestamp("2024-05-17 23:59:59.9996")),
            EncodeDateTime({2024, 5, 18, 0, 0, 0, 0}));
  EXPECT_EQ(TIBValue::Time(ParseTime("06:00")).AsDateTime(), 0.25);
  EXPECT_THROW(FromDateTime(std::nan("")), EIBError);
}

TEST(IbxValueForms, DoublesHaveOneTextPerValue) {
  EXPECT_EQ(TIBValue::Float(-0.0).AsString(), TIBValue::Float(0.0).AsString());
  EXPECT_EQ(TIBValue::Float(0.1).AsString(), "0.1");
  EXPECT_EQ(TIBValue::Float(1e20).AsString(), "1e+20");
  for (double value : {1.0 / 3, -123456.789e-200, 2.2250738585072014e-308, 4503599627370497.0}) {
    const std::string text = TIBValue::Float(value).AsString();
    EXPECT_EQ(TIBValue::Text(text).AsFloat(), value) << text;
  }
}

TEST(IbxValueForms, DecimalsKeepTheirScale) {
  EXPECT_EQ(TIBValue::Decimal(5, -4).AsString(), "0.0005");
  EXPECT_EQ(TIBValue::Decimal(-120000, -4).AsString(), "-12.0000");
  EXPECT_EQ(TIBValue::Decimal(std::numeric_limits<std::int64_t>::min(), -2).AsString(),
            "-92233720368547758.08");
  EXPECT_EQ(TIBValue::Text("1.00005").AsScaled(-4), 10001);
  EXPECT_EQ(TIBValue::Text("-1.00005").AsScaled(-4), -10001);
  EXPECT_EQ(TIBValue::Text("1e3").AsScaled(-2), 100000);
  EXPECT_THROW(TIBValue::Int(std::numeric_limits<std::int64_t>::max()).AsScaled(-1), EIBError);
}

}  // namespace
}  // namespace brindle::ibx
