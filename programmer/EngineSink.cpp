#include "core/StringTable.h"
#include "programmer/EngineSink.h"

namespace vantor {

std::string messageText(const MessageRecord &record) {
    return record.fromResource ? std::string(loadString(record.resourceId)) : record.text;
}

}  // namespace vantor
