// Broken stand-ins for libFyrn.so, for the binding's load-failure tests, where a real fault
// cannot be produced: built once without the compatibility check (FAKE_FYRN_CHECK undefined),
// once with a check that refuses (FAKE_FYRN_CHECK=0), and once with a check that passes but
// without any other entry point (FAKE_FYRN_CHECK=1).
#include "fyrn/fyrn_api.h"

extern "C" {

#ifdef FAKE_FYRN_CHECK
bool ibxFBPackagesIsCorrect(const brindle::PackageIdentity*) {
  return FAKE_FYRN_CHECK != 0;
}
#else
std::size_t ibxFBGetPassword(char* buffer, std::size_t size) {
  if (buffer && size > 0) buffer[0] = '\0';
  return 0;
}
#endif

}  // extern "C"
