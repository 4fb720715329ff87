#pragma once
// Behaviour of the Config dialog: the controls built from a configuration file, what they
// show for a working copy of config_data, and what OK writes back.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/Prompt.h"
#include "devices/ConfigFile.h"

namespace vantor {

class ConfigDeviceForm {
public:
    // One per item; kind-8 items have none of their own (they are entries of a drop-down).
    struct Control {
        std::size_t item = 0;
        bool exists = true;                // false for kind 8
        bool checked = false;              // radio buttons and check boxes
        int radioGroup = -1;               // radio buttons: buttons of one group exclude each other
        std::string text;                  // hex fields: the digits shown
        int selected = -1;                 // drop-downs: selected entry, -1 = none
        std::vector<std::size_t> entries;  // drop-downs: their kind-8 items
    };

    explicit ConfigDeviceForm(Prompt &prompt) : prompt_(prompt) {}

    // Loads the file (messages 30043/30044 on failure: the dialog then closes) and shows
    // `current` in the controls.
    bool open(const std::filesystem::path &path, const DeviceRecord &device);
    // The same from an already decoded file (tests, tools).
    void open(cfg::ConfigFile file, const DeviceRecord &device);

    const cfg::ConfigFile &file() const { return file_; }
    const std::vector<Control> &controls() const { return controls_; }
    const Control &control(std::size_t item) const { return controls_[item]; }
    int pageCount() const { return int(file_.pageCount); }
    const std::array<std::uint8_t, kConfigDataSize> &working() const { return working_; }

    // Shows the working copy in every control.
    void showWorking();
    // "&Default": the working copy becomes the file's defaults.
    void restoreDefaults();

    // User input. Selecting a radio button clears the others of its group.
    void setChecked(std::size_t item, bool on);
    // Accepts hex digits only, at most the field's digit count; false leaves the field alone.
    bool setHexText(std::size_t item, std::string_view text);
    void selectEntry(std::size_t item, int entry);

    // The working copy with the choices of the radio buttons, check boxes and lists applied, as
    // OK would write them (hex fields as they were): what the dialog warns about while open.
    std::array<std::uint8_t, kConfigDataSize> choicesApplied() const;
    // The device this dialog configures (for its lock-out rules).
    const DeviceRecord &device() const { return device_; }
    // Controls serial programming cannot change (SPIEN): shown, never changed.
    bool isReadOnly(std::size_t item) const;

    // "&OK": reads the controls back into the working copy. False (with message 57430 for a
    // value out of range) keeps the dialog open; bytes already written stay written.
    bool accept();

    // Range of a hex field for the current device: [low, high). False for an unknown range kind.
    bool fieldRange(const cfg::Item &item, std::uint64_t &low, std::uint64_t &high) const;
    // The value of a hex field's digits.
    static std::uint32_t hexValue(std::string_view text);

private:
    void build();
    // A radio button, check box or list into d; false for other kinds.
    bool applyChoice(std::size_t item, std::uint8_t &d) const;

    Prompt &prompt_;
    cfg::ConfigFile file_;
    std::vector<Control> controls_;
    std::array<std::uint8_t, kConfigDataSize> working_{};
    MemoryArea areas_[kMaxAreas] = {};
    DeviceRecord device_;
};

}  // namespace vantor
