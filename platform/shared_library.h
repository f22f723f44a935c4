// A shared library loaded at run time (the stand-in for LoadLibrary / GetProcAddress /
// FreeLibrary). The handle is owned: destruction unloads the library.
#pragma once

#include <memory>
#include <string>

namespace brindle {

class SharedLibrary {
 public:
  // Loads by path, or by bare name through the loader's search path. Null on failure, with the
  // loader's text in *error when given.
  static std::unique_ptr<SharedLibrary> Load(const std::string& name, std::string* error = nullptr);

  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The address of an exported symbol, or null.
  void* Symbol(const char* name) const;

  template <class Function>
  Function* Find(const char* name) const {
    return reinterpret_cast<Function*>(Symbol(name));
  }

  const std::string& Name() const { return name_; }

 private:
  SharedLibrary(void* handle, std::string name) : handle_(handle), name_(std::move(name)) {}
  void* handle_;
  std::string name_;
};

// The folder of the running program, with a trailing "/".
std::string ProgramFolder();

// The running program's file name without its folder.
std::string ProgramFileName();

}  // namespace brindle
