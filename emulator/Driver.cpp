#include "emulator/Driver.h"

#include <cstdio>
#include <cstring>

namespace vantor::emx31 {

namespace {

// The dialog-update function of the extension menu: the table's first entry is its end mark.
void dialogUpdate() {}

}  // namespace

Driver::Driver(HostUi &ui, Clock &clock) : ui_(ui), clock_(clock), link_(ui, clock) {
    menu_[0] = {-1, "Target Settings", nullptr, 0, 0, nullptr};
    menu_[1] = {-1, "Modeless Dialog", nullptr, 0, 0, nullptr};
}

Driver::~Driver() { link_.close(); }

bool Driver::startSession() {
    link_.linkFailed = false;
    featureWord_ = (featureWord_ & ~0x7Fu) | 0x40u;
    memory_.fillCodeShadow();
    host_.call(AG_CB_SHADOW_MAP, &memory_.shadow());
    if (!link_.connect(options_, firstConnection_)) return false;
    host_.sendText(firstConnection_ ? AG_MSG_DOWNLOAD : AG_MSG_TEXT, msg::kBanner);
    host_.call(AG_CB_REGISTER_PANE, &memory_.registerPane());
    return true;
}

void Driver::endSession() {
    link_.linkFailed = true;
    link_.close();
    if (targetRecord_) options_.write(targetRecord_->optionText, AG_OPTION_TEXT_SIZE);
}

void Driver::resetTarget() {
    firstConnection_ = false;
    if (link_.linkFailed || !host_.window) return;
    memory_.forgetPc();
    link_.commandWrite(cmd::ResetTarget, 0, 0, nullptr, 0, st::Ready, 200);
    session_.running = false;
}

std::uint32_t Driver::init(std::uint32_t code, void *pointer) {
    code &= 0xFFFF;
    std::uint32_t result = 0;
    const std::uint32_t group = code >> 8;
    if (group == 0x01) {
        result = startSession() ? 0 : 1;
    } else if (code >= AG_INIT_FEATURE_FIRST && code <= AG_INIT_FEATURE_LAST) {
        result = (featureWord_ >> ((code & 0xFF) - 1)) & 1u;
    } else {
        switch (code) {
        case AG_INIT_EXT_MENU:
            if (pointer) *static_cast<AG_MenuEntry **>(pointer) = menu_.data();
            break;
        case AG_INIT_DIALOG_UPDATE:
            if (pointer) *static_cast<void (**)()>(pointer) = &dialogUpdate;
            break;
        case AG_INIT_DIALOG_SLOT: dialogSlot_ = static_cast<void **>(pointer); break;
        case AG_INIT_HOST_WINDOW:
            host_.window = reinterpret_cast<std::uintptr_t>(pointer);
            if (auto *d = dynamic_cast<DefaultHostUi *>(&ui_)) d->setOwnerWindow(host_.window);
            break;
        case AG_INIT_BREAKPOINTS: runControl_.setBreakpointList(static_cast<AG_Breakpoint **>(pointer)); break;
        case AG_INIT_PC_SLOT: session_.pcSlot = static_cast<std::uint32_t *>(pointer); break;
        case AG_INIT_HOST_MESSAGE: host_.message = std::uint32_t(reinterpret_cast<std::uintptr_t>(pointer)); break;
        case AG_INIT_HOST_CALLBACK: host_.callback = reinterpret_cast<AG_HostCallback>(pointer); break;
        case AG_INIT_PREPARE_DOWNLOAD:
            if (!download_.prepare()) {
                link_.linkFailed = true;
                result = 1;
            }
            break;
        case AG_INIT_PROGRAM_VERIFY: result = download_.programAndVerify() ? 0 : 1; break;
        case AG_INIT_FILL_CODE: memory_.fillCodeShadow(); break;
        case AG_INIT_CACHE_CODE: memory_.markCodeCached(); break;
        case AG_INIT_END_SESSION: endSession(); break;
        case AG_INIT_RESET: resetTarget(); break;
        case AG_INIT_EMX31_HOOKS:
            if (auto *d = dynamic_cast<DefaultHostUi *>(&ui_))
                d->install(static_cast<const EMX31_HostHooks *>(pointer));
            break;
        default: break;
        }
    }
    host_.endCall(link_);
    return result;
}

std::uint32_t Driver::memAcc(std::uint32_t code, std::uint8_t *buffer, AG_AddressRecord *address, std::uint32_t count) {
    if ((session_.running && !(featureWord_ & 1u)) || link_.linkFailed) return AG_MEM_REFUSED;
    if (!host_.window) return AG_MEM_OK;
    code &= 0xFFFF;
    if (code < AG_MEM_READ || code > AG_MEM_READ_CODE) return AG_MEM_BAD_CODE;
    if (!address || (!buffer && count))
        return code == AG_MEM_READ || code == AG_MEM_READ_CODE ? AG_MEM_READ_FAILED : AG_MEM_WRITE_FAILED;
    std::uint32_t result = AG_MEM_OK;
    std::uint32_t failing = 0;
    switch (code) {
    case AG_MEM_READ:
        if (memory_.read(buffer, address->address, count, failing) != 0) result = AG_MEM_READ_FAILED;
        break;
    case AG_MEM_WRITE:
        if (memory_.write(buffer, address->address, count, failing) != 0) result = AG_MEM_WRITE_FAILED;
        break;
    case AG_MEM_WRITE_CODE:
        if (memory_.write(buffer, (address->address & 0xFFFFFFu) | AG_CODE_TAG, count, failing) != 0)
            result = AG_MEM_WRITE_FAILED;
        break;
    case AG_MEM_READ_CODE:
        address->address = (address->address & 0xFFFFFFu) | AG_CODE_TAG;
        if (memory_.read(buffer, address->address, count, failing) != 0) result = AG_MEM_READ_FAILED;
        break;
    }
    if (result != AG_MEM_OK) address->failing = failing;
    host_.endCall(link_);
    return result;
}

std::uint32_t Driver::regAcc(std::uint32_t code, std::uint32_t reg, std::uint32_t *value) {
    if ((session_.running && !(featureWord_ & 2u)) || link_.linkFailed) return 1;
    code &= 0xFFFF;
    if (code != 1 && code != 2) return 3;
    if (!value) return 0;
    if (code == 1) memory_.readRegister(reg, *value);
    else memory_.writeRegister(reg, *value);
    host_.endCall(link_);
    return 0;
}

std::uint32_t Driver::allReg(std::uint32_t code) {
    if ((session_.running && !(featureWord_ & 2u)) || link_.linkFailed) return 1;
    code &= 0xFFFF;
    if (code == 1) {
        memory_.refreshRegisters();
    } else if (code == 2) {
        memory_.writeAllRegisters(memory_.registers());
        session_.registersCurrent = true;
    } else {
        return 3;
    }
    host_.endCall(link_);
    return 0;
}

std::uint32_t Driver::memAtt(std::uint32_t code, AG_AttributeRecord *record) {
    if ((session_.running && !(featureWord_ & 1u)) || link_.linkFailed) return 1;
    if (!record) return 0;
    code &= 0xFFFF;
    if (code == 1) record->word1 = 0;
    else if (code == 2) record->u.attribute = memory_.attributeAt(record->u.address);
    return 0;
}

std::uint32_t Driver::goStep(std::uint32_t code, std::uint32_t count, const std::uint32_t *address) {
    return runControl_.goStep(code, count, address);
}

std::uint32_t Driver::bpInfo(std::uint32_t code, const std::uint32_t *address) {
    return runControl_.bpInfo(code, address);
}

AG_Breakpoint *Driver::breakFunc(std::uint32_t code, const std::uint32_t *address, AG_Breakpoint *record) {
    return runControl_.breakFunc(code, address, record);
}

std::uint32_t Driver::serial(std::uint32_t code, std::uint32_t channel, std::uint32_t count, const void *data) {
    if (link_.linkFailed || (code & 0xFFFF) != 1) return 0;
    serial_ = {channel, count, 0, 0, data};
    ui_.send(host_.window, host_.message, AG_MSG_SERIAL, reinterpret_cast<std::intptr_t>(&serial_));
    return 0;
}

namespace {

// The settings form hands the host the driver's dialog state through plain functions.
CTargetSettingsDlg &dlg(void *d) { return *static_cast<CTargetSettingsDlg *>(d); }

EMX31_SettingsForm makeForm(CTargetSettingsDlg &dialog) {
    EMX31_SettingsForm f{};
    f.size = sizeof f;
    f.caption = msg::kDialogCaption;
    f.haltLabel = "Enable halt at running";
    f.haltNote = msg::HaltNote.text;
    f.adapterLabel = "Download to Debug Adapter(PRB31)";
    f.makerLabel = "Chip Manufacturer";
    f.chipLabel = "Chip Model";
    f.information = dialog.information().c_str();
    f.dialog = &dialog;
    f.halt = [](void *d) -> int { return dlg(d).halt(); };
    f.setHalt = [](void *d, int c) { dlg(d).setHalt(c != 0); };
    f.adapter = [](void *d) -> int { return dlg(d).adapter(); };
    f.setAdapter = [](void *d, int c) { dlg(d).setAdapter(c != 0); };
    f.chipControlsEnabled = [](void *d) -> int { return dlg(d).chipControlsEnabled(); };
    f.makerCount = [](void *) -> int { return int(kMakers.size()); };
    f.makerName = [](void *, int i) -> const char * {
        return i >= 0 && i < int(kMakers.size()) ? kMakers[std::size_t(i)] : "";
    };
    f.maker = [](void *d) -> int { return dlg(d).maker(); };
    f.selectMaker = [](void *d, int i) { dlg(d).selectMaker(i); };
    f.chipCount = [](void *d) -> int { return dlg(d).chipCount(); };
    f.chipName = [](void *d, int i) -> const char * { return dlg(d).chipName(i); };
    f.chip = [](void *d) -> int { return dlg(d).chip(); };
    f.selectChip = [](void *d, int i) { dlg(d).selectChip(i); };
    return f;
}

}  // namespace

std::uint32_t Driver::uv3Cap(std::uint32_t code, AG_CapRecord *record) {
    code &= 0xFFFF;
    switch (code) {
    case 1:
    case 110: {
        if (!record || !record->optionText) return 0;
        options_.parse(record->optionText, AG_OPTION_TEXT_SIZE);
        std::array<std::uint8_t, kIdentificationSize> id{};
        const bool haveId = link_.readIdentification(id);
        CTargetSettingsDlg dialog(options_, haveId ? id.data() : nullptr);
        const EMX31_SettingsForm form = makeForm(dialog);
        const bool ok = ui_.settingsDialog(form);
        if (ok) {
            options_ = dialog.accept(options_);
            options_.write(record->optionText, AG_OPTION_TEXT_SIZE);
        }
        host_.endCall(link_);
        return ok ? 1 : 0;
    }
    case 2: return AG_FAMILY_8051;
    case 100:
    case 109: return 1;
    default: return 0;
    }
}

std::uint32_t Driver::enumUv351(AG_TargetRecord *record, std::uint32_t code) {
    if ((code & 0xFFFF) != 2 || !record) return 0;
    targetRecord_ = record;
    options_.parse(record->optionText, AG_OPTION_TEXT_SIZE);
    return AG_FAMILY_8051;
}

}  // namespace vantor::emx31
