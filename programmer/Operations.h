#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "devices/DeviceTables.h"

namespace vantor {

// The operation numbers 0 … 15 (device lists and Auto items store them as bytes).
enum class Op : std::uint8_t {
    Program = kOpProgram,
    Read = kOpRead,
    Verify = kOpVerify,
    Blank = kOpBlank,
    WriteCal = kOpWriteCal,
    ReadCal = kOpReadCal,
    WriteFuse = kOpWriteFuse,
    ReadFuse = kOpReadFuse,
    Protect = kOpProtect,
    ReadLock = kOpReadLock,
    WriteConfig = kOpWriteConfig,
    ReadConfig = kOpReadConfig,
    Erase = kOpErase,
    BootLock = kOpBootLock,
    Protect2 = kOpProtect2,
    Test = kOpTest,
};

// How the programmer carries an operation out.
enum class OpRun : std::uint8_t {
    AreaLoop,     // begin each memory area, then one command per data block
    SingleShot,   // one command, 16 register bytes each way (Erase: none)
    WriteCal,     // the calibration-byte command
    Nothing,      // succeeds without a command (Test)
    Unsupported,  // this programmer has no such command
};

enum class OpDirection : std::uint8_t { None, ToChip, FromChip };

// Which 16 bytes of the device's configuration data a single-shot command sends or fills.
enum class OpBytes : std::uint8_t { None, Config, Lock };

// Everything that makes one operation what it is.
struct OperationInfo {
    Op op;
    std::string_view keyword;         // command-line name; empty where it is not offered
    std::string_view title;           // operation name in failure texts
    int listNameId;                   // "Program    " (Auto items, settings)
    int menuNameId;                   // "Program(&W)"
    std::string_view inProgress;      // status text (area operations: per area)
    std::string_view inProgressArea;  // "Programming [%s]..." for an area of a multi-area device
    int successId;                    // string id of the success text; 0: successLiteral
    std::string_view successLiteral;
    OpRun run;
    std::uint8_t command;       // the command; for area loops the begin command
    std::uint8_t blockCommand;  // area loops: the per-block command
    OpDirection direction;
    OpBytes bytes;
    int failureId;   // the operation's own failure text; 0: none
    int pollBudget;  // polls of its wait (area loops: per block)

    int number() const { return int(op); }
};

// The whole table in operation order.
std::span<const OperationInfo> operationTable();
// Null for a number outside 0 … 15.
const OperationInfo *operationInfo(int op);
const OperationInfo &operationInfo(Op op);
// Null when no operation has that command-line name.
const OperationInfo *operationByKeyword(std::string_view keyword);

}  // namespace vantor
