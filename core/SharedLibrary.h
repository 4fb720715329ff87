#pragma once
#include <filesystem>
#include <string>

namespace vantor {

// A shared library loaded at run time (LoadLibraryA / dlopen), released on destruction.
class SharedLibrary {
public:
    SharedLibrary() = default;
    explicit SharedLibrary(const std::filesystem::path &path) { open(path); }
    ~SharedLibrary() { close(); }
    SharedLibrary(const SharedLibrary &) = delete;
    SharedLibrary &operator=(const SharedLibrary &) = delete;
    SharedLibrary(SharedLibrary &&other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    SharedLibrary &operator=(SharedLibrary &&other) noexcept;

    // Closes any library held before. False (with lastError()) when it cannot be loaded.
    bool open(const std::filesystem::path &path);
    void close();
    bool isOpen() const { return handle_ != nullptr; }

    // Address of an exported symbol, or null.
    void *symbol(const char *name) const;
    template <typename Fn>
    Fn function(const char *name) const {
        return reinterpret_cast<Fn>(symbol(name));
    }

    const std::string &lastError() const { return error_; }

    // "Name.dll", "libName.so" or "libName.dylib".
    static std::string fileName(const std::string &baseName);

private:
    void *handle_ = nullptr;
    std::string error_;
};

}  // namespace vantor
