#include "programmer/Operations.h"

#include "core/StringIds.h"
#include "usb/Tr600Protocol.h"

namespace vantor {
namespace {

namespace cmd = tr600::cmd;
namespace budget = tr600::budget;
using D = OpDirection;
using B = OpBytes;

// clang-format off
constexpr OperationInfo kOperations[kOperationCount] = {
    {Op::Program, "program", "Program", sid::OpNameProgram, sid::MenuProgram, "Programming...",
     "Programming [%s]...", sid::ProgramSuccessful, {}, OpRun::AreaLoop, cmd::BeginProgram, cmd::ProgramBlock,
     D::ToChip, B::None, sid::ProgramFailed, budget::ProgramBlock},
    {Op::Read, "read", "Read", sid::OpNameRead, sid::MenuRead, "Reading...", "Reading [%s]...",
     sid::ReadCompleted, {}, OpRun::AreaLoop, cmd::BeginRead, cmd::ReadBlock, D::FromChip, B::None,
     sid::ReadFailed, budget::ReadBlock},
    {Op::Verify, "verify", "Verify", sid::OpNameVerify, sid::MenuVerify, "Verifying...", "Verifying [%s]...",
     sid::VerifySuccessful, {}, OpRun::AreaLoop, cmd::BeginRead, cmd::ReadBlock, D::FromChip, B::None, 0,
     budget::VerifyBlock},
    {Op::Blank, "blank", "Blank check", sid::OpNameBlank, sid::MenuBlankCheck, "Blank Checking...",
     "Blank Checking [%s]...", sid::BlankCheckSuccessful, {}, OpRun::AreaLoop, cmd::BeginRead, cmd::ReadBlock,
     D::FromChip, B::None, 0, budget::BlankBlock},
    {Op::WriteCal, "write-cal", "Write Cal. Byte", sid::OpNameWriteCalByte, sid::MenuWriteCalByte,
     "Writting Cal. Byte...", {}, sid::WriteCalByteSuccessfully, {}, OpRun::WriteCal, cmd::WriteCal, 0,
     D::ToChip, B::None, 0, budget::WriteCal},
    {Op::ReadCal, {}, "Read Cal. Byte", sid::OpNameReadCalByte, sid::MenuReadCalByte, {}, {}, 0, {},
     OpRun::Unsupported, 0, 0, D::None, B::None, 0, 0},
    {Op::WriteFuse, "write-fuse", "Write Fuse", sid::OpNameWriteFuse, sid::MenuWriteFuse, "Writting fuse...", {},
     sid::WriteFuseCompleted, {}, OpRun::SingleShot, cmd::WriteFuse, 0, D::ToChip, B::Config,
     sid::WriteFuseFailed, budget::Register},
    {Op::ReadFuse, "read-fuse", "Read Fuse", sid::OpNameReadFuse, sid::MenuReadFuse, "Reading fuse...", {},
     sid::ReadFuseCompleted, {}, OpRun::SingleShot, cmd::ReadFuse, 0, D::FromChip, B::Config, sid::ReadFuseFailed,
     budget::Register},
    {Op::Protect, "protect", "Protect", sid::OpNameProtect, sid::MenuProtect, "Protecting...", {},
     sid::ProtectCompleted, {}, OpRun::SingleShot, cmd::WriteLock, 0, D::ToChip, B::Lock, sid::WriteLockBitFailed,
     budget::Register},
    {Op::ReadLock, "read-lock", "Read Lock Bits", sid::OpNameReadLockBits, sid::MenuReadLockBits,
     "Read Lock Bits...", {}, sid::ReadLockBitsCompleted, {}, OpRun::SingleShot, cmd::ReadLock, 0, D::FromChip,
     B::Lock, sid::ReadLockBitFailed, budget::Register},
    {Op::WriteConfig, "write-config", "Write Config", sid::OpNameWriteConfig, sid::MenuWriteConfig,
     "Writing config...", {}, sid::WriteConfigCompleted, {}, OpRun::SingleShot, cmd::WriteConfig, 0, D::ToChip,
     B::Config, sid::WriteConfigFailed, budget::Register},
    {Op::ReadConfig, "read-config", "Read Config", sid::OpNameReadConfig, sid::MenuReadConfig, "Reading config...",
     {}, sid::ReadConfigCompleted, {}, OpRun::SingleShot, cmd::ReadConfig, 0, D::FromChip, B::Config,
     sid::ReadConfigFailed, budget::Register},
    {Op::Erase, "erase", "Erase", sid::OpNameErase, sid::MenuErase, "Erasing...", {}, sid::EraseCompleted, {},
     OpRun::SingleShot, cmd::Erase, 0, D::None, B::None, sid::EraseFailed, budget::Erase},
    {Op::BootLock, {}, "Boot Lock", sid::OpNameBootLock, sid::MenuWriteBootLock, "Boot locking...", {}, 0,
     "Boot lock completed", OpRun::Unsupported, 0, 0, D::None, B::None, 0, 0},
    {Op::Protect2, {}, "Protect", sid::OpNameProtectSecond, sid::MenuProtectSecond, "Protecting...", {},
     sid::ProtectCompleted, {}, OpRun::SingleShot, cmd::WriteLock, 0, D::ToChip, B::Lock, sid::ProtectFailed,
     budget::Register},
    {Op::Test, "test", "Test", sid::OpNameTest, sid::MenuTest, "Testting...", {}, sid::TestSuccessful, {},
     OpRun::Nothing, 0, 0, D::None, B::None, 0, 0},
};
// clang-format on

constexpr bool inOperationOrder() {
    for (int i = 0; i < kOperationCount; ++i)
        if (int(kOperations[i].op) != i) return false;
    return true;
}
static_assert(inOperationOrder(), "kOperations must be indexed by operation number");

}  // namespace

std::span<const OperationInfo> operationTable() { return kOperations; }

const OperationInfo *operationInfo(int op) { return op >= 0 && op < kOperationCount ? &kOperations[op] : nullptr; }

const OperationInfo &operationInfo(Op op) { return kOperations[std::size_t(op)]; }

const OperationInfo *operationByKeyword(std::string_view keyword) {
    if (keyword.empty()) return nullptr;
    for (const auto &info : kOperations)
        if (info.keyword == keyword) return &info;
    return nullptr;
}

}  // namespace vantor
