// Date-times in the form of the operator's regional settings (Qt's default locale): the short
// date and the time with seconds, e.g. 07.12.2026 20:24:04 in Russian.
#pragma once

#include <string>

#include "platform/date_time.h"

namespace brindle {

std::string RegionalDateTimeText(TDateTime value);

}  // namespace brindle
