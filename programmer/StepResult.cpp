#include "programmer/StepResult.h"

#include "core/StringIds.h"
#include "core/StringTable.h"

namespace vantor {

std::optional<MessageRecord> StepResult::message() const {
    switch (failure_) {
    case StepFailure::Link:
    case StepFailure::Transfer:
        return MessageRecord{
            true, sid::CommunicationError, std::string(loadString(sid::CommunicationError)), colour::Red, false, 0};
    case StepFailure::Failed:
        if (resourceId_)
            return MessageRecord{true, resourceId_, std::string(loadString(resourceId_)), colour::Red, bold_, 0};
        return MessageRecord{false, 0, text_, colour::Red, true, 0};
    case StepFailure::None:
    case StepFailure::Cancelled:
    case StepFailure::Silent: break;
    }
    return std::nullopt;
}

}  // namespace vantor
