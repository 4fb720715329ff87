// The settings dialog on Windows: an in-memory dialog template built from the layout, and a
// dialog procedure that hands every change to the behaviour.
#if defined(_WIN32)
#include <windows.h>

#include "emulator/SettingsDialog.h"

namespace vantor::emx31 {
namespace {

class Win32Controls : public DialogControls {
public:
    explicit Win32Controls(HWND dialog) : dialog_(dialog) {}
    void setChecked(int id, bool checked) override {
        SendDlgItemMessageA(dialog_, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    bool checked(int id) const override { return SendDlgItemMessageA(dialog_, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void setEnabled(int id, bool enabled) override { EnableWindow(GetDlgItem(dialog_, id), enabled); }
    void setItems(int id, const std::vector<std::string> &items) override {
        SendDlgItemMessageA(dialog_, id, CB_RESETCONTENT, 0, 0);
        for (const auto &item : items)
            SendDlgItemMessageA(dialog_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    void select(int id, int index) override { SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, WPARAM(index), 0); }
    int selection(int id) const override { return int(SendDlgItemMessageA(dialog_, id, CB_GETCURSEL, 0, 0)); }

private:
    HWND dialog_;
};

// DLGTEMPLATE and DLGITEMTEMPLATE records: WORD-aligned strings, DWORD-aligned items.
class TemplateWriter {
public:
    void align(std::size_t to) {
        while (bytes_.size() % to) bytes_.push_back(0);
    }
    template <typename T>
    void put(const T &value) {
        const auto *p = reinterpret_cast<const std::uint8_t *>(&value);
        bytes_.insert(bytes_.end(), p, p + sizeof value);
    }
    void text(const std::string &s) {
        // The texts are ASCII; each character becomes one UTF-16 unit.
        for (const unsigned char c : s) put(WORD(c));
        put(WORD(0));
    }
    const void *data() const { return bytes_.data(); }

private:
    std::vector<std::uint8_t> bytes_;
};

struct ClassAndStyle {
    WORD atom;
    DWORD style;
};

ClassAndStyle classOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::GroupBox: return {0x0080, BS_GROUPBOX};
    case ControlKind::CheckBox: return {0x0080, BS_AUTOCHECKBOX | WS_TABSTOP};
    case ControlKind::Label: return {0x0082, SS_LEFT};
    case ControlKind::DropDownList: return {0x0085, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP};
    case ControlKind::ReadOnlyText:
        return {0x0081, ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP};
    case ControlKind::DefaultButton: return {0x0080, BS_DEFPUSHBUTTON | WS_TABSTOP};
    case ControlKind::Button: return {0x0080, BS_PUSHBUTTON | WS_TABSTOP};
    }
    return {0x0082, 0};
}

TemplateWriter buildTemplate(const DialogLayout &layout) {
    TemplateWriter w;
    DLGTEMPLATE head{};
    head.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    head.cdit = WORD(layout.controls.size());
    head.cx = layout.width;
    head.cy = layout.height;
    w.put(head);
    w.put(WORD(0));  // no menu
    w.put(WORD(0));  // the standard dialog class
    w.text(layout.caption);
    w.put(WORD(8));
    w.text("MS Shell Dlg");
    for (const DialogControl &c : layout.controls) {
        w.align(4);
        const ClassAndStyle cs = classOf(c.kind);
        DLGITEMTEMPLATE item{};
        item.style = WS_CHILD | WS_VISIBLE | cs.style;
        item.x = c.x;
        item.y = c.y;
        item.cx = c.width;
        item.cy = c.height;
        item.id = WORD(c.id);
        w.put(item);
        w.put(WORD(0xFFFF));
        w.put(cs.atom);
        w.text(c.text);
        w.put(WORD(0));  // no creation data
    }
    return w;
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto *form = reinterpret_cast<const EMX31_SettingsForm *>(lParam);
        Win32Controls controls(dialog);
        SettingsDialogBehaviour(*form, controls).open();
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const auto *form = reinterpret_cast<const EMX31_SettingsForm *>(GetWindowLongPtrA(dialog, DWLP_USER));
    const int id = LOWORD(wParam);
    const int notification = HIWORD(wParam);
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(dialog, id == IDOK ? 1 : 0);
        return TRUE;
    }
    if (!form) return FALSE;
    const bool click = notification == BN_CLICKED && (id == control::Halt || id == control::Adapter);
    const bool selection = notification == CBN_SELCHANGE && (id == control::Maker || id == control::Chip);
    if (!click && !selection) return FALSE;
    Win32Controls controls(dialog);
    SettingsDialogBehaviour(*form, controls).changed(id);
    return TRUE;
}

}  // namespace

bool runWin32SettingsDialog(const EMX31_SettingsForm &form, std::uintptr_t owner) {
    const TemplateWriter t = buildTemplate(settingsDialogLayout(form));
    HINSTANCE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&runWin32SettingsDialog), &module);
    return DialogBoxIndirectParamA(module, static_cast<LPCDLGTEMPLATEA>(t.data()), reinterpret_cast<HWND>(owner),
                                   dialogProc, reinterpret_cast<LPARAM>(&form)) == 1;
}

}  // namespace vantor::emx31
#endif
