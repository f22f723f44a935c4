// The C library's character handling for the whole process. The Firebird client converts a
// database's file name and the program's own path with it; in the "C" locale every byte above
// 127 fails ("Cannot transliterate character between character sets"), so a Cyrillic path could
// not be reached at all.
#pragma once

namespace brindle {

// Takes the environment's character handling when it is UTF-8, else C.UTF-8. Only LC_CTYPE
// changes: numbers and dates keep their "C" forms. Call first in main, before any thread.
void UseUtf8CharacterHandling();

}  // namespace brindle
