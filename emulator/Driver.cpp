#include "emulator/Driver.h"

#include <cstdio>
#include <cstring>

namespace vantor::emx31 {

namespace {

struct ItemDef {
    std::uint16_t id;
    const char *name;
    std::uint8_t group;
};

constexpr std::array<ItemDef, 22> kItems{{
    {0, "r0", 0},   {1, "r1", 0},   {2, "r2", 0},   {3, "r3", 0},    {4, "r4", 0},    {5, "r5", 0},
    {6, "r6", 0},   {7, "r7", 0},   {16, "a", 1},   {17, "b", 1},    {18, "sp", 1},   {19, "dptr", 1},
    {20, "PC  $", 1}, {256, "psw", 1}, {257, "p", 1}, {258, "f1", 1}, {259, "ov", 1}, {260, "rs", 1},
    {261, "f0", 1}, {262, "ac", 1}, {263, "cy", 1}, {264, "", 1},
}};

// The pane's plain functions reach the driver that registered it last.
std::atomic<Driver *> &paneOwner() {
    static std::atomic<Driver *> owner{nullptr};
    return owner;
}

// The dialog-update function of the extension menu: the table's first entry is its end mark.
void dialogUpdate() {}

}  // namespace

std::array<std::uint8_t, kRegisterBlockSize> Registers::encode() const {
    std::array<std::uint8_t, kRegisterBlockSize> block{};
    block[reg::A] = a;
    block[reg::Psw] = psw;
    block[reg::Dph] = dph;
    block[reg::Dpl] = dpl;
    block[reg::Sp] = sp;
    block[reg::PcHigh] = std::uint8_t(pc >> 8);
    block[reg::PcLow] = std::uint8_t(pc);
    block[reg::B] = b;
    for (int i = 0; i < 8; ++i) block[std::size_t(reg::R0 + i)] = r[std::size_t(i)];
    return block;
}

void Registers::decode(const std::uint8_t *block) {
    a = block[reg::A];
    psw = block[reg::Psw];
    dph = block[reg::Dph];
    dpl = block[reg::Dpl];
    sp = block[reg::Sp];
    pc = AG_CODE_TAG | (std::uint32_t(block[reg::PcHigh]) << 8) | block[reg::PcLow];
    b = block[reg::B];
    for (int i = 0; i < 8; ++i) r[std::size_t(i)] = block[reg::R0 + i];
}

Driver::Driver(HostUi &ui, Clock &clock) : ui_(ui), clock_(clock), link_(ui, clock) {
    groups_[0] = {0, 1, "Regs"};
    groups_[1] = {0, 1, "Sys"};
    for (std::size_t i = 0; i < kItems.size(); ++i) {
        AG_RegItem &item = items_[i];
        item = {};
        item.one = 1;
        item.group = kItems[i].group;
        item.id = kItems[i].id;
        std::snprintf(item.name, sizeof item.name, "%s", kItems[i].name);
        item.isPc = kItems[i].id == 20 ? 1 : 0;
        item.one22 = 1;
    }
    menu_[0] = {-1, "Target Settings", nullptr, 0, 0, nullptr};
    menu_[1] = {-1, "Modeless Dialog", nullptr, 0, 0, nullptr};
}

Driver::~Driver() {
    Driver *self = this;
    paneOwner().compare_exchange_strong(self, nullptr);
    link_.close();
}

void Driver::sendText(std::uintptr_t kind, const std::string &text) {
    // The host gets a buffer of the driver's own, as long as a formatted message may be.
    char buffer[2048];
    std::snprintf(buffer, sizeof buffer, "%s", text.c_str());
    ui_.send(hostWindow_, hostMessage_, kind, reinterpret_cast<std::intptr_t>(buffer));
}

intptr_t Driver::callback(std::uint32_t code, void *pointer) {
    return hostCallback_ ? hostCallback_(code, pointer) : 0;
}

void Driver::endCall() {
    if (!link_.linkFailed) return;
    link_.close();
    ui_.post(hostWindow_, hostMessage_, AG_MSG_LINK_LOST, 0);
}

void Driver::registerPane() {
    pane_.groupCount = 2;
    pane_.itemCount = 22;
    pane_.groups = groups_.data();
    pane_.items = items_.data();
    paneOwner().store(this);
    pane_.read = [](AG_RegItem *item, std::uint32_t code) {
        if (Driver *d = paneOwner().load()) d->paneRead(item, code);
    };
    pane_.write = [](AG_RegItem *item, const std::uint8_t *value) -> std::uint32_t {
        Driver *d = paneOwner().load();
        return d ? d->paneWrite(item, value) : 0;
    };
    callback(AG_CB_REGISTER_PANE, &pane_);
}

bool Driver::startSession() {
    link_.linkFailed = false;
    featureWord_ = (featureWord_ & ~0x7Fu) | 0x40u;
    fillCodeShadow();
    callback(AG_CB_SHADOW_MAP, &shadow_);
    if (!link_.connect(options_, firstConnection_)) return false;
    sendText(firstConnection_ ? AG_MSG_DOWNLOAD : AG_MSG_TEXT, msg::kBanner);
    registerPane();
    return true;
}

void Driver::endSession() {
    link_.linkFailed = true;
    link_.close();
    if (targetRecord_) options_.write(targetRecord_->optionText, AG_OPTION_TEXT_SIZE);
}

void Driver::resetTarget() {
    firstConnection_ = false;
    if (link_.linkFailed || !hostWindow_) return;
    cachedPc_ = AG_CODE_TAG;
    link_.commandWrite(cmd::ResetTarget, 0, 0, nullptr, 0, st::Ready, 200);
    running_ = false;
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
            hostWindow_ = reinterpret_cast<std::uintptr_t>(pointer);
            if (auto *d = dynamic_cast<DefaultHostUi *>(&ui_)) d->setOwnerWindow(hostWindow_);
            break;
        case AG_INIT_BREAKPOINTS: bpList_ = static_cast<AG_Breakpoint **>(pointer); break;
        case AG_INIT_PC_SLOT: pcSlot_ = static_cast<std::uint32_t *>(pointer); break;
        case AG_INIT_HOST_MESSAGE: hostMessage_ = std::uint32_t(reinterpret_cast<std::uintptr_t>(pointer)); break;
        case AG_INIT_HOST_CALLBACK: hostCallback_ = reinterpret_cast<AG_HostCallback>(pointer); break;
        case AG_INIT_PREPARE_DOWNLOAD:
            if (!prepareDownload()) {
                link_.linkFailed = true;
                result = 1;
            }
            break;
        case AG_INIT_PROGRAM_VERIFY: result = programAndVerify() ? 0 : 1; break;
        case AG_INIT_FILL_CODE: fillCodeShadow(); break;
        case AG_INIT_CACHE_CODE:
            markCodeCached();
            overLimitNotice_ = true;
            break;
        case AG_INIT_END_SESSION: endSession(); break;
        case AG_INIT_RESET: resetTarget(); break;
        case AG_INIT_EMX31_HOOKS:
            if (auto *d = dynamic_cast<DefaultHostUi *>(&ui_)) d->install(static_cast<const EMX31_HostHooks *>(pointer));
            break;
        default: break;
        }
    }
    endCall();
    return result;
}

std::uint32_t Driver::memAcc(std::uint32_t code, std::uint8_t *buffer, AG_AddressRecord *address,
                             std::uint32_t count) {
    if ((running_ && !(featureWord_ & 1u)) || link_.linkFailed) return AG_MEM_REFUSED;
    if (!hostWindow_) return AG_MEM_OK;
    code &= 0xFFFF;
    if (code < AG_MEM_READ || code > AG_MEM_READ_CODE) return AG_MEM_BAD_CODE;
    if (!address || (!buffer && count)) return code == AG_MEM_READ || code == AG_MEM_READ_CODE ? AG_MEM_READ_FAILED
                                                                                              : AG_MEM_WRITE_FAILED;
    std::uint32_t result = AG_MEM_OK;
    std::uint32_t failing = 0;
    switch (code) {
    case AG_MEM_READ:
        if (readMemory(buffer, address->address, count, failing) != 0) result = AG_MEM_READ_FAILED;
        break;
    case AG_MEM_WRITE:
        if (writeMemory(buffer, address->address, count, failing) != 0) result = AG_MEM_WRITE_FAILED;
        break;
    case AG_MEM_WRITE_CODE:
        if (writeMemory(buffer, (address->address & 0xFFFFFFu) | AG_CODE_TAG, count, failing) != 0)
            result = AG_MEM_WRITE_FAILED;
        break;
    case AG_MEM_READ_CODE:
        address->address = (address->address & 0xFFFFFFu) | AG_CODE_TAG;
        if (readMemory(buffer, address->address, count, failing) != 0) result = AG_MEM_READ_FAILED;
        break;
    }
    if (result != AG_MEM_OK) address->failing = failing;
    endCall();
    return result;
}

std::uint32_t Driver::regAcc(std::uint32_t code, std::uint32_t reg, std::uint32_t *value) {
    if ((running_ && !(featureWord_ & 2u)) || link_.linkFailed) return 1;
    code &= 0xFFFF;
    if (code != 1 && code != 2) return 3;
    if (!value) return 0;
    if (code == 1) {
        refreshRegisters();
        if (reg <= 7) *value = cache_.r[reg];
        else if (reg == AG_REG_A) *value = cache_.a;
        else if (reg == AG_REG_DPTR) *value = cache_.dpl | (std::uint32_t(cache_.dph) << 8);
        else if (reg == AG_REG_PC) *value = cachedPc_;
    } else {
        // A partial write sends the whole block: it must carry what the target holds now
        // (PC and SP included), not what it held before the last step.
        refreshRegisters();
        Registers next = cache_;
        if (reg <= 7) next.r[reg] = std::uint8_t(*value);
        else if (reg == AG_REG_A) next.a = std::uint8_t(*value);
        else if (reg == AG_REG_DPTR) {
            next.dpl = std::uint8_t(*value);
            next.dph = std::uint8_t(*value >> 8);
        } else if (reg == AG_REG_PC) {
            cachedPc_ = currentPc_ = AG_CODE_TAG | (*value & 0xFFFF);
            cache_.pc = cachedPc_;
            link_.commandOnly(cmd::SetPc, std::uint16_t(*value), 0);
            endCall();
            return 0;
        } else {
            return 0;
        }
        writeAllRegisters(next);
    }
    endCall();
    return 0;
}

std::uint32_t Driver::allReg(std::uint32_t code) {
    if ((running_ && !(featureWord_ & 2u)) || link_.linkFailed) return 1;
    code &= 0xFFFF;
    if (code == 1) {
        refreshRegisters();
    } else if (code == 2) {
        writeAllRegisters(cache_);
        registersCurrent_ = true;
    } else {
        return 3;
    }
    endCall();
    return 0;
}

std::uint32_t Driver::memAtt(std::uint32_t code, AG_AttributeRecord *record) {
    if ((running_ && !(featureWord_ & 1u)) || link_.linkFailed) return 1;
    if (!record) return 0;
    code &= 0xFFFF;
    if (code == 1) record->word1 = 0;
    else if (code == 2) record->u.attribute = attributeAt(record->u.address);
    return 0;
}

std::uint32_t Driver::serial(std::uint32_t code, std::uint32_t channel, std::uint32_t count, const void *data) {
    if (link_.linkFailed || (code & 0xFFFF) != 1) return 0;
    serial_ = {channel, count, 0, 0, data};
    ui_.send(hostWindow_, hostMessage_, AG_MSG_SERIAL, reinterpret_cast<std::intptr_t>(&serial_));
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
        endCall();
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
