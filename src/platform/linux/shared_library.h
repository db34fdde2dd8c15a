#pragma once

#include <string>

namespace runpad {

// A system library opened the first time one of its functions is needed.
// The controller, desktop-entry and metafile libraries bring many further
// libraries with them (audio, input, image codecs, ...); linked, every start would load and
// relocate them before the first window shows, and most sessions never use them. Nothing here is
// generic enough for a library: it is dlopen and dlsym with all-or-nothing bookkeeping.
class SharedLibrary {
public:
    // soname: the file name the library is installed under, as in its package.
    explicit SharedLibrary(const char* soname);
    // The library stays loaded for the rest of the program: threads it started
    // (SDL's) may still run its code at exit.
    ~SharedLibrary() = default;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The named function, or nullptr (the library then counts as unusable).
    template <typename Function> Function function(const char* name) {
        return reinterpret_cast<Function>(symbol(name));
    }

    // True when the library opened and every function asked for was found.
    bool usable() const { return problem_.empty(); }
    // Why it is not usable, for error messages.
    const std::string& problem() const { return problem_; }

private:
    void* symbol(const char* name);

    void* handle_ = nullptr;
    std::string problem_;
};

} // namespace runpad

// Declares a member holding the library function of the same name, resolved
// from the member `library`, which must be declared before it.
#define RUNPAD_LIBRARY_FUNCTION(name)                                                              \
    decltype(&::name) name = library.function<decltype(&::name)>(#name)
