#include <cstdio>
#include <cstring>

#include "core/StringTable.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "devices/MemoryLayout.h"

namespace vantor {
namespace {

constexpr int kLogoLookupCount = 102;  // manufacturer indexes the logo table covers

RichRun infoRun(std::string text, Colour c, bool bold) {
    RichRun r;
    r.text = std::move(text);
    r.colour = c;
    r.bold = bold;
    r.halfPoints = kInfoHalfPoints;
    r.font = kInfoFont;
    return r;
}

std::string fixedText(const char *field, std::size_t size) { return std::string(field, strnlen(field, size)); }

}  // namespace

std::filesystem::path Artbank::defaultPath() { return executableDirectory() / SharedLibrary::fileName("Artbank"); }

Artbank::Artbank(const std::filesystem::path &path) {
    if (!module_.open(path)) return;
    mfg_ = module_.function<LookupFn>("GetMfgRes");
    adp_ = module_.function<LookupFn>("GetAdpRes");
    find_ = module_.function<FindFn>("ArtbankFindResource");
}

// The exports do not check their index, so neither table is asked outside its range.
int Artbank::logoId(int vendorIndex) const {
    if (!mfg_ || vendorIndex < 0 || vendorIndex >= kLogoLookupCount) return 0;
    return mfg_(vendorIndex);
}

int Artbank::documentId(int adapterIndex) const {
    if (!adp_ || adapterIndex < 0 || adapterIndex >= kAdapterCount) return 0;
    return adp_(adapterIndex);
}

std::span<const std::uint8_t> Artbank::resource(const char *type, int id) const {
    if (!find_ || id == 0) return {};
    std::uint32_t size = 0;
    const void *p = find_(type, id, &size);
    if (!p || size == 0) return {};
    return {static_cast<const std::uint8_t *>(p), size};
}

std::optional<std::string> Artbank::adapterDocument(int adapterIndex, DocumentLanguage language) const {
    const int id = documentId(adapterIndex);
    auto bytes = language == DocumentLanguage::English ? resource("ADPEN", id) : std::span<const std::uint8_t>();
    if (bytes.empty()) bytes = resource("ADP", id);
    if (bytes.empty()) return std::nullopt;
    return std::string(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

RichText deviceSummaryRuns(const DeviceRecord &d) {
    RichText runs;
    char pins[16];
    if (d.pin_count == 0) std::snprintf(pins, sizeof pins, "---");
    else std::snprintf(pins, sizeof pins, "%d", int(d.pin_count));

    const std::pair<int, std::string> lines[] = {
        {sid::InfoVendorLabel, fixedText(d.vendor_name, sizeof d.vendor_name)},
        {sid::InfoDeviceLabel, fixedText(d.device_name, sizeof d.device_name)},
        {sid::InfoSizeLabel, SizeText(d)},
        {sid::InfoPinsLabel, pins},
        {sid::InfoAdapterLabel, DeviceLibrary::AdapterText(d.adapter_index)},
    };
    bool first = true;
    for (const auto &[label, value] : lines) {
        std::string text = first ? "    " : "\r\n    ";
        text += loadString(label);
        text += "   \t";
        runs.push_back(infoRun(std::move(text), infocolour::Label, true));
        runs.push_back(infoRun(value, infocolour::Value, true));
        first = false;
    }
    runs.push_back(infoRun("\r\n", colour::Black, false));

    const std::string rule = std::string(kInfoRuleLength, '_') + "\r\n";
    const std::string layout = LayoutText(d);
    if (!layout.empty()) {
        runs.push_back(infoRun(rule, infocolour::Rule, false));
        runs.push_back(infoRun(layout, infocolour::Layout, false));
        runs.back().fixedPitch = true;  // its columns only line up when every character is as wide
    }
    runs.push_back(infoRun(rule, infocolour::Rule, false));
    return runs;
}

RichText deviceInfoRuns(const DeviceRecord &device, std::optional<std::string_view> adapterRtf) {
    RichText runs = deviceSummaryRuns(device);
    if (adapterRtf) {
        RichText doc;
        if (parseRtf(*adapterRtf, doc))
            runs.insert(runs.end(), std::make_move_iterator(doc.begin()), std::make_move_iterator(doc.end()));
    }
    return runs;
}

std::optional<std::string> loadAdapterDocument(const DeviceRecord &device, const std::filesystem::path &artbankPath,
                                               DocumentLanguage language) {
    const Artbank artbank(artbankPath);
    return artbank.adapterDocument(device.adapter_index, language);
}

}  // namespace vantor
