#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "core/SharedLibrary.h"
#include "devices/DeviceRecord.h"
#include "devices/RtfDocument.h"

namespace vantor {

namespace infocolour {
inline constexpr Colour Label = colour::Black;
inline constexpr Colour Value = 0xFF8000;   // RGB(0, 128, 255)
inline constexpr Colour Rule = 0x000080;    // RGB(128, 0, 0)
inline constexpr Colour Layout = 0xFF0080;  // RGB(128, 0, 255)
}  // namespace infocolour

inline constexpr int kInfoRuleLength = 73;
inline constexpr int kInfoHalfPoints = 18;  // 9-point text
inline constexpr char kInfoFont[] = "Tahoma";

// The language of the adapter documents: English ones are "ADPEN" resources under the ids
// GetAdpRes gives; an adapter without one shows its Chinese document.
enum class DocumentLanguage { Chinese, English };

// The picture and adapter-document library, loaded by file name. Every accessor is
// safe on a library that failed to load or lacks an export: it then finds nothing.
class Artbank {
public:
    // "Artbank.dll" / "libArtbank.so" / "libArtbank.dylib" in the executable's directory.
    static std::filesystem::path defaultPath();

    explicit Artbank(const std::filesystem::path &path = defaultPath());

    bool loaded() const { return module_.isOpen(); }
    // Bitmap id of a manufacturer's logo, 0 when there is none or the index is out of range.
    int logoId(int vendorIndex) const;
    // "ADP" resource id of an adapter's document, 0 when there is none.
    int documentId(int adapterIndex) const;
    // Resource bytes inside the loaded module; empty when absent. Valid while this object lives.
    std::span<const std::uint8_t> resource(const char *type, int id) const;
    // The adapter's Rich Text document, or nothing.
    std::optional<std::string> adapterDocument(int adapterIndex,
                                               DocumentLanguage language = DocumentLanguage::Chinese) const;

private:
    using LookupFn = std::int32_t (*)(std::int32_t);
    using FindFn = const void *(*)(const char *, int, std::uint32_t *);
    SharedLibrary module_;
    LookupFn mfg_ = nullptr;
    LookupFn adp_ = nullptr;
    FindFn find_ = nullptr;
};

// Steps 1 to 3 of the window: the five label/value lines, the layout between rules and
// the closing rule, all 9-point Tahoma.
RichText deviceSummaryRuns(const DeviceRecord &device);

// The whole window content: the summary followed by the adapter document when there is
// one. A document that cannot be read is left out silently.
RichText deviceInfoRuns(const DeviceRecord &device, std::optional<std::string_view> adapterRtf);

// Loads the adapter document through the library at `artbankPath` (released again before
// returning); nothing when the library, its export or the document is missing.
std::optional<std::string> loadAdapterDocument(const DeviceRecord &device,
                                               const std::filesystem::path &artbankPath = Artbank::defaultPath(),
                                               DocumentLanguage language = DocumentLanguage::Chinese);

}  // namespace vantor
