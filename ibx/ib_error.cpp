#include "ibx/ib_error.h"

#include <algorithm>
#include <exception>

namespace brindle::ibx {

bool EIBError::HasErrorCode(std::intptr_t code) const noexcept {
  return std::find(codes_.begin(), codes_.end(), code) != codes_.end();
}

void RaiseInContext(const Exception& e, const std::string& prefix) {
  e.RaiseWithMessage(prefix + " -> " + e.Message());
  std::terminate();  // not reached: RaiseWithMessage always throws
}

}  // namespace brindle::ibx
