// A shared library loaded when first needed, so that a run that never needs
// it does not pay for loading it and everything it depends on. It stays
// loaded for the rest of the program.
#pragma once

#include <dlfcn.h>

namespace tq::posix {

class DynamicLibrary {
public:
    explicit DynamicLibrary(const char* soname) : handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}

    // Sets `fn` to the library's function of that name; nullptr when the
    // library or the function is missing.
    template <class Fn>
    void find(Fn*& fn, const char* name) {
        fn = handle_ ? reinterpret_cast<Fn*>(::dlsym(handle_, name)) : nullptr;
        complete_ = complete_ && fn != nullptr;
    }
    // True when the library loaded and every function asked for was found.
    bool complete() const noexcept { return handle_ != nullptr && complete_; }

private:
    void* handle_;
    bool complete_ = true;
};

}  // namespace tq::posix
