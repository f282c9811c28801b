#pragma once

#include <string>
#include <string_view>

namespace vrel {

// Writes `bytes` to a temporary file in the target's folder and renames it over the target, so a
// failed save never destroys the previous file. The path is UTF-8. Returns false with the system's
// reason in `error` when anything fails; the target is then as it was.
bool SaveFileReplacing(const std::string& utf8Path, std::string_view bytes, std::string& error);

}  // namespace vrel
