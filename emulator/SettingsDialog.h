#pragma once
// The target settings dialog for hosts that bring none: its controls and its behaviour over a
// settings form, without any windowing system. The Win32 binding only draws and forwards.
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/EMX31_EN.h"

namespace vantor::emx31 {

enum class ControlKind { GroupBox, CheckBox, Label, DropDownList, ReadOnlyText, DefaultButton, Button };

// One control in dialog units (a quarter of the font's average width, an eighth of its height).
struct DialogControl {
    int id;  // -1 for the group boxes
    ControlKind kind;
    std::string text;
    short x, y, width, height;
};

namespace control {
inline constexpr int Ok = 1, Cancel = 2, Chip = 5000, Halt = 5002, Adapter = 5007, Maker = 5015, MakerLabel = 5020,
                     ChipLabel = 5021, HaltNote = 5022, Information = 5026;
}

struct DialogLayout {
    std::string caption;
    short width, height;
    std::vector<DialogControl> controls;  // in tab order
};

DialogLayout settingsDialogLayout(const EMX31_SettingsForm &form);

// The windowing system's side: the controls by id.
class DialogControls {
public:
    virtual ~DialogControls() = default;
    virtual void setChecked(int id, bool checked) = 0;
    virtual bool checked(int id) const = 0;
    virtual void setEnabled(int id, bool enabled) = 0;
    virtual void setItems(int id, const std::vector<std::string> &items) = 0;
    virtual void select(int id, int index) = 0;
    virtual int selection(int id) const = 0;
};

// What the dialog does: fills the controls from the form, keeps the form in step with every
// click and selection, and enables the maker and chip controls only for a chip download.
class SettingsDialogBehaviour {
public:
    SettingsDialogBehaviour(const EMX31_SettingsForm &form, DialogControls &controls);
    void open();
    // A click on a check box or a new selection in a list; other ids are ignored.
    void changed(int id);

private:
    void fillChips();
    void enableChipControls();

    const EMX31_SettingsForm &form_;
    DialogControls &controls_;
};

#if defined(_WIN32)
// Runs the dialog modally over `owner`; true for OK.
bool runWin32SettingsDialog(const EMX31_SettingsForm &form, std::uintptr_t owner);
#endif

}  // namespace vantor::emx31
