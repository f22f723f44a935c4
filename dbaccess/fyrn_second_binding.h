// The start-up's second hold on the database utility library, made before TFyrn and finalised
// after it. None of the library's entry points is called through it: it only keeps the library
// loaded, and whether it lets go at shutdown is decided by the environment variable
// FYRNDLL_ISLOADED, which other programs of the suite set.
#pragma once

#include <memory>
#include <string>

#include "platform/shared_library.h"

namespace brindle {

class TFyrnSecondBinding {
 public:
  // Loads libFyrn.so from the program's folder, else from the suite root, else by bare name.
  // When all three fail, raises ERefusedStart (dbaccess/fyrn.h).
  TFyrnSecondBinding();
  // Unloads the library only when FYRNDLL_ISLOADED is exactly "1"; otherwise the library stays
  // loaded until the process ends.
  ~TFyrnSecondBinding();
  TFyrnSecondBinding(const TFyrnSecondBinding&) = delete;
  TFyrnSecondBinding& operator=(const TFyrnSecondBinding&) = delete;

  // The name the library was loaded by: a path, or the bare name.
  const std::string& LoadedFrom() const { return library_->Name(); }

 private:
  std::unique_ptr<SharedLibrary> library_;
};

}  // namespace brindle
