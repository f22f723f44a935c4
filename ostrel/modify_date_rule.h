// The modification-date rule of the office database, as the body of a before insert-or-update
// trigger (without BEGIN and END, lines separated by CR LF): 1900-01-01 becomes NULL; a value
// left as it was (or NULL on both sides) becomes CURRENT_TIMESTAMP; any other written value
// stands. The schema passes it for the tables that declare MODIFYDATE themselves, and change
// tracking realises the same rule, so both kinds of table behave alike for the copy.
#pragma once

#include <cstdint>
#include <string_view>

namespace brindle {

inline constexpr std::string_view kModifyDateTriggerBody =
    "IF (NEW.MODIFYDATE = '1900-01-01') THEN\r\n"
    "  NEW.MODIFYDATE = NULL;\r\n"
    "ELSE\r\n"
    "IF ((NEW.MODIFYDATE IS NULL AND OLD.MODIFYDATE IS NULL) OR\r\n"
    "    (NEW.MODIFYDATE = OLD.MODIFYDATE)) THEN\r\n"
    "  NEW.MODIFYDATE = CURRENT_TIMESTAMP;";

// The trigger's place among the table's before insert-or-update triggers.
inline constexpr std::int32_t kModifyDateTriggerPosition = 10;

}  // namespace brindle
