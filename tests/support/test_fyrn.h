// The binding of the real libFyrn.so (the one beside the test program) for integration tests:
// made once per test process and installed as the process's binding. Should the library fail to
// load, the error box raises instead of ending the process, so the test fails rather than passes.
#pragma once

#include "dbaccess/fyrn.h"

namespace brindle::testing {

TFyrn& TestFyrn();

}  // namespace brindle::testing
