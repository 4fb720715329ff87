#pragma once
#include <string>

#include "devices/DeviceRecord.h"

namespace vantor {

// Name of memory area i (0 = the first area, anything else the second, except that
// "Block%d" prints i itself). When no rule names the area, `text` keeps its old value:
// callers that reuse one text for area 1 after area 0 see the area-0 name again.
// Returns whether a rule applied.
bool AreaName(const DeviceRecord &device, int i, std::string &text);
// Convenience form: empty when no rule names the area.
std::string AreaName(const DeviceRecord &device, int i);

// "8K Bytes + 512 Bytes", "2K Words + 128 Bytes", ...
std::string SizeText(const DeviceRecord &device);

// The memory-layout table of the special layouts, "\r\n"-separated; often empty.
std::string LayoutText(const DeviceRecord &device);

}  // namespace vantor
