// Settings files: any text parses, saves to text that parses to itself, and answers the same reads
// after the save; edits keep it so; and the display settings load from it without an exception,
// every value in its range.

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/RegMng.h"
#include "files/VrelProp.h"
#include "fuzz/FuzzTargets.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"

namespace {

using namespace vrel;

// The fuzz input as a settings file in memory, named by a path the store can open.
class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("vrel.ini", 0)), path_("/proc/self/fd/" + std::to_string(fd_)) {}
  void Put(std::string_view bytes) {
    if (ftruncate(fd_, 0) != 0 || pwrite(fd_, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
      fuzz::Fail("cannot fill the settings file");
  }
  const std::string& Path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

void CheckSameReads(const TIniFile& a, const TIniFile& b) {
  if (a.ReadSections() != b.ReadSections())
    fuzz::Fail("the sections differ after a save");
  for (const std::string& section : a.ReadSections()) {
    if (a.ReadSectionValues(section) != b.ReadSectionValues(section))
      fuzz::Fail("a section's values differ after a save");
  }
}

void CheckSettingsInRange(const TVrelProp& prop) {
  for (const TDisplaySetting& setting : TVrelProp::Settings()) {
    const double value = prop.SettingValue(setting);
    const bool fits = setting.Kind == TSettingKind::Alpha        ? value >= 0 && value <= 100
                      : setting.Kind == TSettingKind::DrawStates ? value >= 0 && value <= 7
                      : setting.Kind == TSettingKind::Switch     ? value == 0 || value == 1
                      : setting.Kind == TSettingKind::Length     ? std::isfinite(static_cast<float>(value))
                                                                 : true;
    if (!fits)
      fuzz::Fail(setting.IniKey);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static TCapturingMessageBox boxes;
  static const TScopedMessageBox install(boxes);
  static MemoryFile file;
  boxes.Shown.clear();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    TIniFile ini = TIniFile::FromBytes(bytes);
    const std::string saved = ini.ToBytes();
    const TIniFile again = TIniFile::FromBytes(saved);
    if (again.ToBytes() != saved || again.LineCount() != ini.LineCount())
      fuzz::Fail("a saved settings file does not save to itself");
    CheckSameReads(ini, again);
    // A few edits where the text decides: the file stays what a read of its own save gives.
    const std::vector<std::string> sections = ini.ReadSections();
    const std::string section = sections.empty() ? std::string("Property") : sections[size % sections.size()];
    ini.WriteString(section, "BackGroundColor", "255");
    ini.WriteString("Property", "PlaneSmooth", "1");
    ini.DeleteKey(section, "StartPointLength");
    const TIniFile edited = TIniFile::FromBytes(ini.ToBytes());
    if (edited.ToBytes() != ini.ToBytes())
      fuzz::Fail("an edited settings file does not save to itself");
    CheckSameReads(ini, edited);
  } catch (const EIniFileError&) {
    // A write the file cannot hold (a section name it would misread) is refused.
  } catch (const std::exception& e) {
    fuzz::Fail(e.what());
  }

  file.Put(bytes);
  TRegManager reg;
  reg.SetIniFileName(file.Path());
  TVrelProp prop;
  try {
    prop.LoadSettings(reg);
  } catch (const std::exception& e) {
    fuzz::Fail(e.what());
  }
  if (!boxes.Shown.empty())
    fuzz::Fail(boxes.Shown.front().Text.c_str());
  CheckSettingsInRange(prop);
  return 0;
}
