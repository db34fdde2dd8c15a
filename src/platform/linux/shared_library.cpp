#include "platform/linux/shared_library.h"

#include <dlfcn.h>

namespace runpad {

SharedLibrary::SharedLibrary(const char* soname) {
    // Local: its symbols must not stand in for those of the libraries the
    // program links.
    handle_ = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        problem_ = why ? why : std::string(soname) + ": cannot be loaded";
    }
}

void* SharedLibrary::symbol(const char* name) {
    if (handle_ == nullptr)
        return nullptr;
    dlerror();
    void* found = dlsym(handle_, name);
    if (found == nullptr && problem_.empty()) {
        const char* why = dlerror();
        problem_ = why ? why : std::string(name) + ": not found";
    }
    return found;
}

} // namespace runpad
