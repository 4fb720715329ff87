// Run, step and stop, breakpoints in the emulator and the breakpoint markers of the shadow.
#include <cstdio>

#include "emulator/RunControl.h"

namespace vantor::emx31 {

namespace {
std::uint32_t kind(const AG_Breakpoint &bp) { return bp.flags & AG_BP_KIND_MASK; }
bool enabled(const AG_Breakpoint &bp) { return (bp.flags & AG_BP_ENABLED) != 0; }
}  // namespace

template <typename F>
void RunControl::forEachBreakpoint(F &&f) {
    if (!bpList_) return;
    int n = 0;
    for (AG_Breakpoint *bp = *bpList_; bp && n < kMaxListLength; bp = bp->next, ++n)
        if (!f(*bp)) return;
}

bool RunControl::enabledExecAt(std::uint32_t address) {
    bool found = false;
    forEachBreakpoint([&](AG_Breakpoint &bp) {
        found = kind(bp) == AG_BP_KIND_EXEC && enabled(bp) && bp.address == address;
        return !found;
    });
    return found;
}

void RunControl::recount() {
    execCount_ = condCount_ = accessCount_ = 0;
    forEachBreakpoint([&](AG_Breakpoint &bp) {
        if (enabled(bp)) {
            if (kind(bp) == AG_BP_KIND_EXEC) ++execCount_;
            else if (kind(bp) == AG_BP_KIND_COND) ++condCount_;
            else if (kind(bp) == AG_BP_KIND_ACCESS) ++accessCount_;
        }
        return true;
    });
}

bool RunControl::arm(std::uint32_t target) {
    recount();
    if (armed_ != 0) return true;
    armed_ = 1;
    if (condCount_ || accessCount_) return true;
    bool ok = true;
    forEachBreakpoint([&](AG_Breakpoint &bp) {
        if (kind(bp) != AG_BP_KIND_EXEC || !enabled(bp)) return true;
        if (bp.address - target <= 1 || target - bp.address <= 1) return true;
        const auto reply = link_.setBreakpoint(std::uint16_t(bp.address));
        if (!reply) {
            ok = false;
            return false;
        }
        if (*reply == breakpoint::OverLimit || *reply == breakpoint::Conflict) {
            char text[128];
            std::snprintf(text, sizeof text,
                          *reply == breakpoint::OverLimit
                              ? "EMX31 ERROR 11: Can't Set Breakpoint at %4.4XH, The Amount Exceeded the Limit.\n"
                              : "EMX31 ERROR 10: Can't Set Breakpoint at %4.4XH, The Address Conflict.\n",
                          unsigned(bp.address & 0xFFFF));
            host_.sendText(AG_MSG_TEXT, text);
            if (std::uint16_t *attr = memory_.attributeAt(bp.address); attr && (*attr & AG_ATTR_BP_ENABLED))
                *attr = std::uint16_t((*attr & ~AG_ATTR_BP_ENABLED) | AG_ATTR_BP_DISABLED);
            bp.flags &= ~AG_BP_ENABLED;
        }
        return true;
    });
    return ok;
}

void RunControl::disarm() {
    recount();
    if (armed_ != 0) --armed_;
}

RunControl::Judge RunControl::judge(std::uint32_t pc) {
    Judge result = Judge::NoBreakpoint;
    forEachBreakpoint([&](AG_Breakpoint &bp) {
        if (kind(bp) != AG_BP_KIND_EXEC || !enabled(bp) || bp.address != pc) return true;
        if (bp.passCount > 1) {
            --bp.passCount;
            result = Judge::GoOn;
        } else if (bp.passCount == 1 && bp.command) {
            host_.call(AG_CB_BP_COMMAND, const_cast<char *>(bp.command));
            result = Judge::GoOn;
        } else {
            result = Judge::Stop;
        }
        return false;
    });
    return result;
}

bool RunControl::stepOnce() {
    std::uint8_t reply[2];
    if (!link_.commandRead(cmd::Step, 0, 0, reply, 2, st::DataReady, 500)) {
        link_.linkFailed = true;
        return false;
    }
    session_.currentPc = AG_CODE_TAG | reply[0] | (std::uint32_t(reply[1]) << 8);
    return true;
}

bool RunControl::runOnce(std::uint32_t target) {
    std::uint16_t value = 0;
    if (options_.haltEnabled()) {
        if (link_.codeUses003B()) {
            const int answer = host_.ui.messageBox(msg::HaltNeeds003B.text, msg::kNoticeCaption,
                                                   EMX31_MB_YESNO | EMX31_MB_ICONQUESTION);
            if (answer != EMX31_IDYES) return false;
            options_.halt &= ~TargetOptions::kHaltBit;
        } else {
            value = kRunWithHalt;
        }
    }
    return link_.run(value, std::uint16_t(target), session_.stopRequested).ok();
}

void RunControl::go(std::uint32_t target) {
    if (session_.stopRequested.exchange(false)) return;
    const bool countsZero = condCount_ == 0 && accessCount_ == 0;
    if (countsZero) {
        if (enabledExecAt(session_.currentPc) || target == session_.currentPc) {
            stepOnce();
            if (enabledExecAt(session_.currentPc) || target == session_.currentPc) return;
        }
        if (enabledExecAt(session_.currentPc - 1) || target == session_.currentPc - 1) {
            stepOnce();
            if (enabledExecAt(session_.currentPc)) return;
        }
        if (!arm(target)) {
            session_.stopRequested = false;
            return;
        }
    }
    if (condCount_ || accessCount_)
        host_.sendText(AG_MSG_TEXT, "Application does not run in real time because of conditional breakpoint(s) !\n");
    while (!session_.stopRequested) {
        if (enabledExecAt(target) || condCount_ || accessCount_) {
            stepOnce();
            session_.registersCurrent = false;
            memory_.invalidateDataCaches();
            if (judge(session_.currentPc) == Judge::Stop) break;
            // Single-stepping must also honour the go-until address.
            if (session_.currentPc == target) break;
            if (enabledExecAt(session_.currentPc) || condCount_ || accessCount_) continue;
        }
        runOnce(target);
        if (link_.linkFailed) return;
        std::uint8_t pc[2];
        if (link_.commandRead(cmd::ReadPc, 0, 0, pc, 2, st::DataReady, 250))
            session_.currentPc = AG_CODE_TAG | pc[0] | (std::uint32_t(pc[1]) << 8);
        else session_.currentPc = AG_CODE_TAG | (memory_.cachedPc() & 0xFFFF);
        if (judge(session_.currentPc) != Judge::GoOn) break;
    }
    disarm();
    host_.call(AG_CB_STOPPED, nullptr);
}

void RunControl::stepSequence(std::uint32_t count) {
    session_.stepping =
        true;  // before session_.running: a stop that sees session_.running must know it is a step sequence
    session_.running = true;
    for (std::uint32_t i = 0; i < count && !session_.stopRequested; ++i)
        if (!stepOnce()) break;
    session_.stopRequested = false;
    session_.registersCurrent = false;
    memory_.invalidateDataCaches();
    session_.running = false;
    session_.stepping = false;
}

std::uint32_t RunControl::stop() {
    // Only a running program takes the request: one left from an idle stop would swallow the
    // next go or step.
    if (session_.running) session_.stopRequested = true;
    // A step sequence ends between two steps; the target needs neither a halt nor a reset.
    if (session_.running && session_.stepping) return 1;
    bool halted = true;
    if (session_.running) {
        halted = false;
        if (options_.haltEnabled()) {
            const LinkResult r = link_.halt();
            if (r) {
                halted = true;
            } else if (r.fault == Fault::Failed &&
                       host_.ui.messageBox(msg::HaltFailed.text, msg::kNoticeCaption,
                                           EMX31_MB_YESNO | EMX31_MB_ICONWARNING) == EMX31_IDYES) {
                halted = link_.commandWrite(cmd::ResetTarget, 0, 0, nullptr, 0, st::Ready, 200).ok();
            }
        } else if (host_.ui.messageBox(msg::HaltDisabled.text, msg::kNoticeCaption,
                                       EMX31_MB_YESNO | EMX31_MB_ICONWARNING) == EMX31_IDYES) {
            halted = link_.commandWrite(cmd::ResetTarget, 0, 0, nullptr, 0, st::Ready, 200).ok();
        }
    }
    if (halted) {
        session_.running = false;
        session_.registersCurrent = false;
        memory_.invalidateDataCaches();
        return 1;
    }
    if (session_.running) return 0;
    session_.registersCurrent = false;
    memory_.invalidateDataCaches();
    return 0;
}

std::uint32_t RunControl::goStep(std::uint32_t code, std::uint32_t count, const std::uint32_t *address) {
    if (link_.linkFailed) return 0;
    std::uint32_t result = 0;
    switch (code & 0xFFFF) {
    case AG_GOSTEP_STOP: result = stop(); break;
    case AG_GOSTEP_STEP: stepSequence(count); break;
    case AG_GOSTEP_GO_TO:
    case AG_GOSTEP_GO: {
        const std::uint32_t target = (code & 0xFFFF) == AG_GOSTEP_GO_TO && address ? *address : 0xFFFFFFFFu;
        session_.running = true;
        go(target);
        session_.registersCurrent = false;
        session_.stopRequested = false;
        memory_.invalidateDataCaches();
        session_.running = false;
        break;
    }
    default: return 0;
    }
    if (link_.linkFailed) {
        host_.endCall(link_);
    } else if (session_.pcSlot) {
        std::lock_guard lock(session_.lock);
        *session_.pcSlot = session_.currentPc;
    }
    return result;
}

std::uint32_t RunControl::bpInfo(std::uint32_t code, const std::uint32_t *address) {
    if (link_.linkFailed) return 0;
    code &= 0xFFFF;
    if (code == 5 || code == 6) {
        std::uint32_t n = 0;
        forEachBreakpoint([&](AG_Breakpoint &bp) {
            if (kind(bp) != AG_BP_KIND_EXEC || (code == 5 && !enabled(bp))) return true;
            ++n;
            if (std::uint16_t *attr = memory_.attributeAt(bp.address)) {
                if (code == 5 && (*attr & AG_ATTR_BP_ENABLED))
                    *attr = std::uint16_t((*attr & ~AG_ATTR_BP_ENABLED) | AG_ATTR_BP_DISABLED);
                if (code == 6) *attr &= std::uint16_t(~(AG_ATTR_BP_ENABLED | AG_ATTR_BP_DISABLED));
            }
            return true;
        });
        return n;
    }
    std::uint16_t *attr = address ? memory_.attributeAt(*address) : nullptr;
    if (!attr) return 0x80000000u;
    switch (code) {
    case 1:
    case 7: return *attr & 0x58u;
    case 8:
        if (*attr & AG_ATTR_BP_DISABLED) *attr = std::uint16_t((*attr & ~AG_ATTR_BP_DISABLED) | AG_ATTR_BP_ENABLED);
        return 0;
    case 9:
        if (*attr & AG_ATTR_BP_ENABLED) *attr = std::uint16_t((*attr & ~AG_ATTR_BP_ENABLED) | AG_ATTR_BP_DISABLED);
        return 0;
    case 10: *attr &= std::uint16_t(~(AG_ATTR_BP_ENABLED | AG_ATTR_BP_DISABLED)); return 0;
    case 11: *attr = std::uint16_t((*attr & ~AG_ATTR_BP_DISABLED) | AG_ATTR_BP_ENABLED); return 0;
    default: return 0;
    }
}

AG_Breakpoint *RunControl::breakFunc(std::uint32_t code, const std::uint32_t *address, AG_Breakpoint *record) {
    if (link_.linkFailed) return nullptr;
    code &= 0xFFFF;
    if (code == 5) return record && kind(*record) == AG_BP_KIND_ACCESS ? nullptr : record;
    std::uint16_t *attr = address ? memory_.attributeAt(*address) : nullptr;
    if (!attr) return nullptr;
    if (code == 1 || code == 4) {
        if (record && enabled(*record)) *attr = std::uint16_t((*attr | AG_ATTR_BP_ENABLED) & ~AG_ATTR_BP_DISABLED);
        else *attr = std::uint16_t((*attr | AG_ATTR_BP_DISABLED) & ~AG_ATTR_BP_ENABLED);
    } else if (code == 2) {
        *attr &= std::uint16_t(~(AG_ATTR_BP_ENABLED | AG_ATTR_BP_DISABLED));
    }
    return record;
}

}  // namespace vantor::emx31
