#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "debug/CallStack.h"
#include "debug/DebugInfo.h"
#include "debug/SourceMap.h"
#include "debug/Stepper.h"
#include "tools/emx31-dbg/DriverTarget.h"

namespace vantor::dbg {

class DebuggerHost;

// The source level of emx31-dbg: C lines, functions and variables from sdcc's NAME.cdb.
class SourceCommands {
public:
    SourceCommands(DebuggerHost &host, std::FILE *out);

    // Reads debug information now (--debug-info) instead of beside the next loaded program.
    bool loadDebugInfo(const std::string &path);
    // After `load FILE.hex`: NAME.cdb beside it, unless --debug-info named one.
    void programLoaded(const std::string &hexPath);
    // True when the command was one of the source level's.
    bool execute(const std::string &command, const std::vector<std::string> &args, const std::string &line);
    const char *help() const;

    bool hasDebugInfo() const { return info_ != nullptr; }
    DriverTarget &target() { return target_; }
    const debug::DebugInfo *info() const { return info_.get(); }
    const debug::SourceMap *map() const { return map_.get(); }
    // Where `location` (FILE:LINE, FUNCTION, LINE of the current file, or C:ADDR) is in code.
    std::vector<std::uint16_t> resolve(const std::string &location, std::string &error,
                                       std::string *described = nullptr);
    // A source line's text, if the file can be found.
    std::optional<std::string> sourceLine(const std::string &file, int line);
    std::optional<std::string> findSource(const std::string &file);

private:
    bool requireInfo();
    // resolve(), saying why when there is nothing there.
    std::vector<std::uint16_t> resolveOrSay(const std::string &location);
    bool requireStopped();
    void breakAt(const std::vector<std::string> &args, bool temporary);
    void report(const debug::Stepper::Outcome &outcome, bool showFrame);
    void reportStop(bool showFrame);
    void runStep(const std::string &which, const std::vector<std::string> &args);
    void cmdContinue();
    void cmdPrint(const std::string &expression);
    void cmdSet(const std::string &line);
    void cmdInfo(const std::vector<std::string> &args);
    void cmdBacktrace();
    void cmdFrame(int index);
    void cmdList(const std::vector<std::string> &args);
    void cmdDisasm(const std::vector<std::string> &args);
    void cmdDisplay(const std::string &expression);
    void showDisplays(std::size_t from = 0);
    void dropTemporaryBreakpointAt(std::uint16_t pc);
    std::vector<debug::Frame> frames();
    debug::Frame selectedFrame();
    std::string frameText(const debug::Frame &frame, std::size_t index);
    bool matchesProgram(const debug::DebugInfo &info, std::string &error);

    DebuggerHost &host_;
    std::FILE *out_;
    DriverTarget target_;
    std::unique_ptr<debug::DebugInfo> info_;
    std::unique_ptr<debug::SourceMap> map_;
    std::string infoPath_;
    bool infoFromOption_ = false;
    std::vector<std::string> sourceDirs_;
    std::vector<std::uint16_t> temporaryBreaks_;
    std::vector<std::string> displays_;
    std::size_t selectedFrame_ = 0;
    std::string lastFile_;
    int listFirst_ = 1;
    const debug::Function *lastFunction_ = nullptr;
};

}  // namespace vantor::dbg
