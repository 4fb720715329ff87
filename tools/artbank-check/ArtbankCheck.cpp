// artbank-check: loads the Artbank library the way the programmer's program does and counts
// what it finds: every logo through the platform's bitmap loader, every adapter document
// through the resource functions. The same counts are expected from every build.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/SharedLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using Lookup = int (*)(int);

struct Found {
    bool ok = false;
    std::string problem;
};

#if defined(_WIN32)
Found loadLogo(const vantor::SharedLibrary &, HMODULE module, int id) {
    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id));
    if (!bitmap) return {false, "LoadBitmap failed"};
    BITMAP info{};
    const bool ok = GetObjectA(bitmap, sizeof info, &info) == sizeof info && info.bmWidth > 0 && info.bmHeight > 0;
    DeleteObject(bitmap);
    return {ok, ok ? "" : "empty bitmap"};
}

Found loadDocument(const vantor::SharedLibrary &, HMODULE module, int id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "ADP");
    if (!found) return {false, "no ADP resource"};
    HGLOBAL loaded = LoadResource(module, found);
    const void *bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, found);
    if (!bytes || size < 5 || std::memcmp(bytes, "{\\rtf", 5) != 0) return {false, "not Rich Text"};
    return {true, ""};
}
#else
using Finder = const void *(*)(const char *, int, unsigned *);

Found loadLogo(const vantor::SharedLibrary &lib, void *, int id) {
    auto find = lib.function<Finder>("ArtbankFindResource");
    unsigned size = 0;
    const auto *bytes = static_cast<const unsigned char *>(find ? find("BITMAP", id, &size) : nullptr);
    if (!bytes || size < 40) return {false, "no bitmap"};
    int width = 0, height = 0;
    std::memcpy(&width, bytes + 4, 4);
    std::memcpy(&height, bytes + 8, 4);
    const bool ok = bytes[0] == 40 && width > 0 && height != 0;
    return {ok, ok ? "" : "bad bitmap header"};
}

Found loadDocument(const vantor::SharedLibrary &lib, void *, int id) {
    auto find = lib.function<Finder>("ArtbankFindResource");
    unsigned size = 0;
    const void *bytes = find ? find("ADP", id, &size) : nullptr;
    if (!bytes || size < 5 || std::memcmp(bytes, "{\\rtf", 5) != 0) return {false, "not Rich Text"};
    return {true, ""};
}
#endif

struct Count {
    int named = 0, loaded = 0;
};

// Loads the resource that `lookup` names for each of 0..last; a failure is told and counted.
template <typename Module, typename Load>
Count countResources(const vantor::SharedLibrary &lib, Module module, const char *what, const char *owner, int last,
                     Lookup lookup, Load load, int &failures) {
    Count count;
    for (int i = 0; i <= last; ++i) {
        const int id = lookup(i);
        if (!id) continue;
        ++count.named;
        const Found f = load(lib, module, id);
        if (f.ok) ++count.loaded;
        else std::fprintf(stderr, "%s %d (%s %d): %s\n", what, id, owner, i, f.problem.c_str()), ++failures;
    }
    return count;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: artbank-check LIBRARY\n");
        return 2;
    }
    vantor::SharedLibrary lib;
    if (!lib.open(argv[1])) {
        std::fprintf(stderr, "artbank-check: cannot load %s: %s\n", argv[1], lib.lastError().c_str());
        return 1;
    }
    auto mfg = lib.function<Lookup>("GetMfgRes");
    auto adp = lib.function<Lookup>("GetAdpRes");
    if (!mfg || !adp) {
        std::fprintf(stderr, "artbank-check: GetMfgRes or GetAdpRes is missing\n");
        return 1;
    }
#if defined(_WIN32)
    HMODULE module = GetModuleHandleA(argv[1]);
    if (!module) module = LoadLibraryA(argv[1]);
#else
    void *module = nullptr;
#endif
    int failures = 0;
    const Count logos = countResources(lib, module, "logo", "manufacturer", 101, mfg, loadLogo, failures);
    const Count documents = countResources(lib, module, "document", "adapter", 72, adp, loadDocument, failures);
    std::printf("logos %d/%d documents %d/%d\n", logos.loaded, logos.named, documents.loaded, documents.named);
    return failures ? 1 : 0;
}
