#include "core/SharedLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vantor {

SharedLibrary &SharedLibrary::operator=(SharedLibrary &&other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

bool SharedLibrary::open(const std::filesystem::path &path) {
    close();
    error_.clear();
#if defined(_WIN32)
    handle_ = reinterpret_cast<void *>(LoadLibraryA(path.string().c_str()));
    if (!handle_) error_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
#else
    // RTLD_LOCAL keeps a resource library's symbols from leaking into the program.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char *e = dlerror();
        error_ = e ? e : "dlopen failed";
    }
#endif
    return handle_ != nullptr;
}

void SharedLibrary::close() {
    if (!handle_) return;
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
    handle_ = nullptr;
}

void *SharedLibrary::symbol(const char *name) const {
    if (!handle_ || !name) return nullptr;
#if defined(_WIN32)
    return reinterpret_cast<void *>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

std::string SharedLibrary::fileName(const std::string &baseName) {
#if defined(_WIN32)
    return baseName + ".dll";
#elif defined(__APPLE__)
    return "lib" + baseName + ".dylib";
#else
    return "lib" + baseName + ".so";
#endif
}

}  // namespace vantor
