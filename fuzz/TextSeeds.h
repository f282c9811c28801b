#pragma once

#include <string>

namespace vrel::fuzz {

// Writes seed corpora for the text readers into <root>/scene_reader_fuzz and
// <root>/ini_settings_fuzz: scenes as the writer saves them and as the simulator's own files are,
// and settings files as the store saves them.
void WriteTextSeeds(const std::string& root);

}  // namespace vrel::fuzz
