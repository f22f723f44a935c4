// Text services of the structure library: how names of the description become database
// identifiers, how type texts are brought to one comparable form, and how SQL fragments that the
// server keeps (defaults, checks, trigger sources) are compared with the description's texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brindle::ostrel {

// The identifier that a described name becomes in the database: the name in upper case (ASCII
// letters only), as the server stores an unquoted identifier. So `Client` becomes CLIENT and
// `GEN_IdLogin` GEN_IDLOGIN, and SQL of other programs that writes these names without quotes
// finds them.
std::string DatabaseName(std::string_view described);

// The identifier in double quotes, an inner quote doubled. DDL quotes every identifier, so that
// names that are reserved words still work; the text inside is used exactly.
std::string QuoteName(std::string_view database_name);

// Whether the text is one parenthesised expression: "(A) OR (B)" is not, "((A) OR (B))" is.
// Quotes inside string literals and quoted identifiers are skipped.
bool IsEnclosed(std::string_view text);

// The text in parentheses unless it already is enclosed.
std::string Enclose(std::string_view text);

// A form of an SQL fragment for comparison: ASCII letters in upper case outside string literals
// and quoted identifiers, runs of blanks (line breaks included) made one blank, no blanks next to
// ( ) , ; = and none at either end.
std::string NormalizeSql(std::string_view text);

// One form for an SQL type text: upper case, no blanks inside the parentheses, synonyms
// replaced (INT -> INTEGER, CHARACTER VARYING -> VARCHAR, CHAR -> CHAR(1), NUMERIC(p) ->
// NUMERIC(p,0), BLOB SUB_TYPE 0 / BINARY -> BLOB, BLOB SUB_TYPE 1 -> BLOB SUB_TYPE TEXT, a
// SEGMENT SIZE dropped). A text it does not know comes back normalised but otherwise as given.
std::string CanonicalType(std::string_view text);

// The canonical type text of a column or domain as the system table RDB$FIELDS describes it.
struct SystemFieldType {
  std::int32_t field_type = 0;   // RDB$FIELD_TYPE
  std::int32_t sub_type = 0;     // RDB$FIELD_SUB_TYPE
  std::int32_t length = 0;       // RDB$FIELD_LENGTH, bytes
  std::int32_t precision = 0;    // RDB$FIELD_PRECISION
  std::int32_t scale = 0;        // RDB$FIELD_SCALE, ≤ 0
  std::int32_t char_length = 0;  // RDB$CHARACTER_LENGTH, 0 when unknown
};
std::string SystemTypeText(const SystemFieldType& type);

}  // namespace brindle::ostrel
