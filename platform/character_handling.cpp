#include "platform/character_handling.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

namespace brindle {

void UseUtf8CharacterHandling() {
  if (std::setlocale(LC_CTYPE, "") && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return;
  if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "C");
}

}  // namespace brindle
