#pragma once
#include <filesystem>

namespace vantor {

// Directory of the running executable ("" when it cannot be told). The programs find their
// data files (device libraries, configuration files, sounds) beside themselves.
std::filesystem::path executableDirectory();

}  // namespace vantor
