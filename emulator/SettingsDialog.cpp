#include "emulator/SettingsDialog.h"

namespace vantor::emx31 {

DialogLayout settingsDialogLayout(const EMX31_SettingsForm &f) {
    using K = ControlKind;
    return {f.caption,
            260,
            236,
            {
                {-1, K::GroupBox, "Target Debug Options", 7, 7, 246, 72},
                {control::Halt, K::CheckBox, f.haltLabel, 15, 20, 230, 10},
                {control::HaltNote, K::Label, f.haltNote, 15, 34, 230, 40},
                {-1, K::GroupBox, "Flash Download Options", 7, 84, 246, 70},
                {control::Adapter, K::CheckBox, f.adapterLabel, 15, 97, 230, 10},
                {control::MakerLabel, K::Label, f.makerLabel, 15, 115, 100, 8},
                {control::Maker, K::DropDownList, "", 120, 113, 125, 120},
                {control::ChipLabel, K::Label, f.chipLabel, 15, 133, 100, 8},
                {control::Chip, K::DropDownList, "", 120, 131, 125, 120},
                {-1, K::GroupBox, "Information", 7, 159, 246, 50},
                {control::Information, K::ReadOnlyText, f.information, 15, 171, 230, 32},
                {control::Ok, K::DefaultButton, "OK", 146, 215, 50, 14},
                {control::Cancel, K::Button, "Cancel", 203, 215, 50, 14},
            }};
}

SettingsDialogBehaviour::SettingsDialogBehaviour(const EMX31_SettingsForm &form, DialogControls &controls)
    : form_(form), controls_(controls) {}

void SettingsDialogBehaviour::open() {
    controls_.setChecked(control::Halt, form_.halt(form_.dialog) != 0);
    controls_.setChecked(control::Adapter, form_.adapter(form_.dialog) != 0);
    std::vector<std::string> makers;
    for (int i = 0; i < form_.makerCount(form_.dialog); ++i) makers.emplace_back(form_.makerName(form_.dialog, i));
    controls_.setItems(control::Maker, makers);
    controls_.select(control::Maker, form_.maker(form_.dialog));
    fillChips();
    enableChipControls();
}

void SettingsDialogBehaviour::fillChips() {
    std::vector<std::string> chips;
    for (int i = 0; i < form_.chipCount(form_.dialog); ++i) chips.emplace_back(form_.chipName(form_.dialog, i));
    controls_.setItems(control::Chip, chips);
    controls_.select(control::Chip, form_.chip(form_.dialog));
}

void SettingsDialogBehaviour::enableChipControls() {
    const bool enabled = form_.chipControlsEnabled(form_.dialog) != 0;
    for (const int id : {control::Maker, control::Chip, control::MakerLabel, control::ChipLabel})
        controls_.setEnabled(id, enabled);
}

void SettingsDialogBehaviour::changed(int id) {
    switch (id) {
    case control::Halt: form_.setHalt(form_.dialog, controls_.checked(control::Halt)); break;
    case control::Adapter:
        form_.setAdapter(form_.dialog, controls_.checked(control::Adapter));
        enableChipControls();
        break;
    case control::Maker:
        form_.selectMaker(form_.dialog, controls_.selection(control::Maker));
        fillChips();
        break;
    case control::Chip: form_.selectChip(form_.dialog, controls_.selection(control::Chip)); break;
    default: break;
    }
}

}  // namespace vantor::emx31
