#include "platform/shared_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace brindle {

std::unique_ptr<SharedLibrary> SharedLibrary::Load(const std::string& name, std::string* error) {
  void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) {
      const char* text = ::dlerror();
      *error = text ? text : "unknown loader error";
    }
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle, name));
}

SharedLibrary::~SharedLibrary() { ::dlclose(handle_); }

void* SharedLibrary::Symbol(const char* name) const { return ::dlsym(handle_, name); }

namespace {

std::string ProgramPath() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace

std::string ProgramFolder() {
  const std::string path = ProgramPath();
  return path.substr(0, path.rfind('/') + 1);
}

std::string ProgramFileName() {
  const std::string path = ProgramPath();
  return path.substr(path.rfind('/') + 1);
}

}  // namespace brindle
