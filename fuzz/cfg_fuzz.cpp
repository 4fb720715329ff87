// The configuration-file reader, the Config dialog over what it accepts, and the cfgc
// source parser. First byte even: the rest is the body of a .cfg image (its check word is
// added); odd: a cfgc source text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "devices/ConfigDeviceForm.h"
#include "devices/ConfigFile.h"
#include "devices/Crc16.h"
#include "tools/cfgc/CfgSource.h"

namespace {

class SilentPrompt : public vantor::Prompt {
public:
    Answer ask(std::string_view, std::string_view, Icon, Buttons) override { return Answer::Ok; }
};

void exercise(const vantor::cfg::ConfigFile &file, const std::uint8_t *data, std::size_t size) {
    vantor::DeviceRecord device;
    device.valid = 1;
    std::memcpy(device.config_data, data, std::min<std::size_t>(size, sizeof device.config_data));
    device.memory_areas[0] = {0x8000, 0};
    device.memory_areas[1] = {0x400, 0x8000};
    SilentPrompt prompt;
    vantor::ConfigDeviceForm model(prompt);
    model.open(file, device);
    for (std::size_t i = 0; i < file.items.size(); ++i) {
        model.setChecked(i, (i + size) & 1);
        model.selectEntry(i, int(i % 3) - 1);
        model.setHexText(i, "FFFFFFFF");
    }
    model.accept();
    model.restoreDefaults();
    model.accept();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] & 1) {
        const auto result =
            vantor::cfgc::compileText(std::string_view(reinterpret_cast<const char *>(data + 1), size - 1), "fuzz");
        if (result.ok()) {
            const auto image = vantor::cfg::encodeConfigImage(result.file);
            vantor::cfg::ConfigFile back;
            if (!vantor::cfg::decodeConfigImage(image, back)) __builtin_trap();  // what cfgc writes, the reader takes
            exercise(back, data, size);
        }
        return 0;
    }
    // The body with its own check word appended, so that the fuzzer's bytes reach the header
    // and item readers instead of stopping at the check word.
    std::vector<std::uint8_t> image(data + 1, data + size);
    const std::uint16_t crc = vantor::Crc16::of(image.data(), image.size());
    image.push_back(std::uint8_t(crc >> 8));
    image.push_back(std::uint8_t(crc));
    vantor::cfg::ConfigFile file;
    if (!vantor::cfg::decodeConfigImage(image, file)) return 0;
    // Whatever the reader accepts dumps to a source that compiles back to the same bytes.
    const auto again = vantor::cfgc::compileText(vantor::cfgc::dumpConfig(file), "dump");
    if (!again.ok() || vantor::cfg::encodeConfigImage(again.file) != image) __builtin_trap();
    exercise(file, data, size);
    return 0;
}
