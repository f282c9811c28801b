#include "files/RegMng.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "files/ZStreamUtils.h"
#include "platform/MessageBox.h"
#include "platform/NumberFormat.h"

namespace vrel {

// --- where the files live ----------------------------------------------------------------------

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string ExecutablePath() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error)
    return path.string();
  if (QCoreApplication::instance())
    return QCoreApplication::applicationFilePath().toStdString();
  return std::string();
}

bool FolderWritable(const std::string& folder) {
  return access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

std::string ConfigFolder() {
  std::string base = Environment("XDG_CONFIG_HOME");
  if (base.empty() || base.front() != '/')
    base = QDir::homePath().toStdString() + "/.config";
  return base + "/vrel";
}

std::string SettingsFileNameFor(const std::string& executablePath,
                                const std::function<bool(const std::string& folder)>& folderWritable) {
  if (const std::string named = Environment(kSettingsFileVariable); !named.empty())
    return named;
  if (!executablePath.empty()) {
    const std::filesystem::path exe(executablePath);
    if (folderWritable(exe.parent_path().string())) {
      std::filesystem::path ini = exe;
      ini.replace_extension(".ini");
      return ini.string();
    }
  }
  return ConfigFolder() + "/vrel.ini";
}

std::string SettingsFileName() {
  return SettingsFileNameFor(ExecutablePath(), FolderWritable);
}

std::string RegistryFileName() {
  return ConfigFolder() + "/registry.ini";
}

// --- colours -----------------------------------------------------------------------------------

namespace {

constexpr int32_t SystemColor(int index) {
  return static_cast<int32_t>(0xFF000000u | static_cast<uint32_t>(index));
}

// The names the settings files of the earlier versions may hold. Where two names share a value the
// first is the one written. The colour box's standard and extended colours come first.
const TNamedColor kColorNames[] = {
    {0x000000, "clBlack"},
    {0x000080, "clMaroon"},
    {0x008000, "clGreen"},
    {0x008080, "clOlive"},
    {0x800000, "clNavy"},
    {0x800080, "clPurple"},
    {0x808000, "clTeal"},
    {0x808080, "clGray"},
    {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"},
    {0x00FF00, "clLime"},
    {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},
    {0xFF00FF, "clFuchsia"},
    {0xFFFF00, "clAqua"},
    {0xFFFFFF, "clWhite"},
    {0xC0DCC0, "clMoneyGreen"},
    {0xF0CAA6, "clSkyBlue"},
    {0xF0FBFF, "clCream"},
    {0xA4A0A0, "clMedGray"},
    {SystemColor(0), "clScrollBar"},
    {SystemColor(1), "clBackground"},
    {SystemColor(2), "clActiveCaption"},
    {SystemColor(3), "clInactiveCaption"},
    {SystemColor(4), "clMenu"},
    {SystemColor(5), "clWindow"},
    {SystemColor(6), "clWindowFrame"},
    {SystemColor(7), "clMenuText"},
    {SystemColor(8), "clWindowText"},
    {SystemColor(9), "clCaptionText"},
    {SystemColor(10), "clActiveBorder"},
    {SystemColor(11), "clInactiveBorder"},
    {SystemColor(12), "clAppWorkSpace"},
    {SystemColor(13), "clHighlight"},
    {SystemColor(14), "clHighlightText"},
    {SystemColor(15), "clBtnFace"},
    {SystemColor(16), "clBtnShadow"},
    {SystemColor(17), "clGrayText"},
    {SystemColor(18), "clBtnText"},
    {SystemColor(19), "clInactiveCaptionText"},
    {SystemColor(20), "clBtnHighlight"},
    {SystemColor(21), "cl3DDkShadow"},
    {SystemColor(22), "cl3DLight"},
    {SystemColor(23), "clInfoText"},
    {SystemColor(24), "clInfoBk"},
    {SystemColor(26), "clHotLight"},
    {SystemColor(27), "clGradientActiveCaption"},
    {SystemColor(28), "clGradientInactiveCaption"},
    {SystemColor(29), "clMenuHighlight"},
    {SystemColor(30), "clMenuBar"},
    {0x1FFFFFFF, "clNone"},
    {0x20000000, "clDefault"},
};

constexpr std::size_t kStandardColorCount = 20;

}  // namespace

std::span<const TNamedColor> StandardColors() {
  return std::span<const TNamedColor>(kColorNames, kStandardColorCount);
}

std::string ColorToString(int32_t color) {
  for (const TNamedColor& entry : kColorNames) {
    if (entry.Color == color)
      return entry.Name;
  }
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "$";
  const auto bits = static_cast<uint32_t>(color);
  for (int shift = 28; shift >= 0; shift -= 4)
    text.push_back(kDigits[(bits >> shift) & 15]);
  return text;
}

bool StringToColor(std::string_view text, int32_t& color) {
  for (const TNamedColor& entry : kColorNames) {
    if (SameIniName(text, entry.Name)) {
      color = entry.Color;
      return true;
    }
  }
  return ParseIniInteger(text, color);
}

// --- the item table ----------------------------------------------------------------------------

const TClassInfo& TRegItem::StaticClass() {
  static const TClassInfo info("TRegItem", &Inherited::StaticClass(),
                               {props::String<&TRegItem::Name, &TRegItem::SetName>("Name"),
                                props::String<&TRegItem::Section, &TRegItem::SetSection>("Section"),
                                props::String<&TRegItem::Ident, &TRegItem::SetIdent>("Ident"),
                                props::String<&TRegItem::DefaultValue, &TRegItem::SetDefaultValue>("DefaultValue")});
  return info;
}

void TRegItem::Assign(const TPersistent* source) {
  if (const auto* other = As<TRegItem>(source)) {
    name_ = other->name_;
    section_ = other->section_;
    ident_ = other->ident_;
    defaultValue_ = other->defaultValue_;
    return;
  }
  TCollectionItem::Assign(source);
}

const TClassInfo& TRegItems::StaticClass() {
  static const TClassInfo info("TRegItems", &Inherited::StaticClass());
  return info;
}

TRegItems::TRegItems(TPersistent* owner) : TCollection(FactoryOf<TRegItem>(), owner) {}

TRegItem* TRegItems::FindByName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameIniName(Items(i)->Name(), name))
      return Items(i);
  }
  return nullptr;
}

// --- the reader/writer -------------------------------------------------------------------------

namespace {

const char* const kRegTypeNames[] = {"rtReg", "rtIni"};

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - ('a' - 'A'));
  }
  return text;
}

int32_t ToInteger(const std::string& text, int32_t fallback) {
  int32_t value = fallback;
  return ParseIniInteger(text, value) ? value : fallback;
}

// The n of a key spelt `prefix` + n (n in decimal as written), or nothing.
std::optional<int64_t> ItemNumber(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || !SameIniName(name.substr(0, prefix.size()), prefix))
    return std::nullopt;
  const std::string_view digits = name.substr(prefix.size());
  if (digits.size() > 10 || (digits.size() > 1 && digits.front() == '0'))
    return std::nullopt;
  int64_t n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9')
      return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

// What a session keeps open: the file it read, under the name and prefix it was opened by.
struct TRegManager::SessionStore {
  std::string fileName;
  std::string prefix;
  bool opened = false;
  TIniFile file;
  std::string readError;  // why the file could not be read; empty when it was
};

class TRegFiler::Store {
 public:
  // The session's file, or nullptr when it is not this store's.
  Store(TRegManager::SessionStore* session, std::string fileName, std::string prefix)
      : session_(session), fileName_(std::move(fileName)), prefix_(std::move(prefix)) {}

  // Reads the file at the session's first access, or for this access alone. A file that cannot be
  // read opens empty; `forWriting` raises instead, since writing it would destroy what could not be
  // read.
  void Open(bool forWriting) {
    if (session_ && !session_->opened) {
      session_->opened = true;
      try {
        session_->file = TIniFile(fileName_);
      } catch (const EIniFileError& e) {
        session_->readError = e.what();
      }
    }
    if (session_) {
      if (forWriting && !session_->readError.empty())
        throw EIniFileError(session_->readError);
      return;
    }
    if (forWriting) {
      own_ = TIniFile(fileName_);
      return;
    }
    try {
      own_ = TIniFile(fileName_);
    } catch (const EIniFileError&) {
      own_ = TIniFile();
    }
  }

  TIniFile& File() { return session_ ? session_->file : own_; }
  std::string Section(std::string_view section) const { return prefix_ + std::string(section); }
  // Writes an access's changes at once; a session's wait for its Commit.
  void Done() {
    if (!session_)
      own_.UpdateFile();
  }

 private:
  TRegManager::SessionStore* session_;
  std::string fileName_;
  std::string prefix_;  // registry key and "\" in front of every section, or empty
  TIniFile own_;
};

std::optional<TRegFiler::Store> TRegFiler::OpenStore(bool forWriting) {
  std::string fileName;
  std::string prefix;
  if (manager_->RegType() == rtIni) {
    if (manager_->IniFileName().empty()) {
      manager_->ShowError(std::string(kNoIniFileMessage));
      return std::nullopt;
    }
    fileName = manager_->IniFileName();
  } else {
    if (manager_->RegDir().empty()) {
      manager_->ShowError(std::string(kNoRegistryMessage));
      return std::nullopt;
    }
    fileName = RegistryFileName();
    prefix = manager_->RegDir() + "\\";
  }
  TRegManager::SessionStore* session = manager_->session_.get();
  if (session && !session->opened) {
    session->fileName = fileName;
    session->prefix = prefix;
  }
  // A store switched to another file during a session is read for each access again.
  if (session && (session->fileName != fileName || session->prefix != prefix))
    session = nullptr;
  std::optional<Store> store(std::in_place, session, std::move(fileName), std::move(prefix));
  store->Open(forWriting);
  return store;
}

bool TRegFiler::HasItem() const {
  return item_ != nullptr;
}

std::string TRegFiler::ReadSectionString(const std::string& section, const std::string& key,
                                         const std::string& defaultValue) {
  if (section.empty() || key.empty())
    return defaultValue;
  std::optional<Store> store = OpenStore(false);
  if (!store)
    return defaultValue;
  return store->File().ReadString(store->Section(section), key, defaultValue);
}

void TRegFiler::WriteSectionString(const std::string& section, const std::string& key, const std::string& value) {
  if (section.empty() || key.empty())
    return;
  std::optional<Store> store = OpenStore(true);
  if (!store)
    return;
  store->File().WriteString(store->Section(section), key, value);
  store->Done();
}

void TRegFiler::DeleteKey(const std::string& section, const std::string& key) {
  if (section.empty() || key.empty())
    return;
  std::optional<Store> store = OpenStore(true);
  if (!store)
    return;
  store->File().DeleteKey(store->Section(section), key);
  store->Done();
}

bool TRegFiler::ReadBool() {
  if (!HasItem())
    return false;
  const std::string upper = UpperAscii(item_->DefaultValue());
  const std::string defaultText = upper == "1" || upper == "TRUE" || upper == "YES" ? "1" : "0";
  const std::string text = ReadSectionString(item_->Section(), item_->Ident(), defaultText);
  return (ToInteger(text, 0) & 0xFF) != 0;
}

void TRegFiler::WriteBool(bool value) {
  if (!HasItem())
    return;
  WriteSectionString(item_->Section(), item_->Ident(), value ? "1" : "0");
}

int32_t TRegFiler::ReadInteger() {
  if (!HasItem())
    return 0;
  const int32_t fallback = ToInteger(item_->DefaultValue(), 0);
  return ToInteger(ReadSectionString(item_->Section(), item_->Ident(), item_->DefaultValue()), fallback);
}

void TRegFiler::WriteInteger(int32_t value) {
  if (!HasItem())
    return;
  WriteSectionString(item_->Section(), item_->Ident(), std::to_string(value));
}

std::string TRegFiler::ReadString() {
  if (!HasItem())
    return std::string();
  return ReadSectionString(item_->Section(), item_->Ident(), item_->DefaultValue());
}

void TRegFiler::WriteString(const std::string& value) {
  if (!HasItem())
    return;
  WriteSectionString(item_->Section(), item_->Ident(), value);
}

double TRegFiler::ReadFloat() {
  if (!HasItem())
    return 0.0;
  double fallback = 0.0;
  if (!ParseDouble(item_->DefaultValue(), fallback))
    fallback = 0.0;
  double value = fallback;
  if (!ParseDouble(ReadSectionString(item_->Section(), item_->Ident(), item_->DefaultValue()), value)) {
    value = fallback;
  }
  return value;
}

void TRegFiler::WriteFloat(double value) {
  if (!HasItem())
    return;
  WriteSectionString(item_->Section(), item_->Ident(), FormatGeneral(value, 15));
}

void TRegFiler::ReadFont(TFontData& font) {
  if (!HasItem())
    return;
  const std::string& section = item_->Section();
  const std::string& ident = item_->Ident();
  font.Name = ReadSectionString(section, ident + "_FontName", font.Name);
  font.Size = ToInteger(ReadSectionString(section, ident + "_FontSize", std::to_string(font.Size)), font.Size);
  int32_t color = font.Color;
  if (StringToColor(ReadSectionString(section, ident + "_FontColor", ColorToString(font.Color)), color)) {
    font.Color = color;
  }
  // Four style bits and a one-byte character set are all a font can hold.
  font.Style = ToInteger(ReadSectionString(section, ident + "_FontStyle", std::to_string(font.Style)), font.Style) & 15;
  font.Charset =
      ToInteger(ReadSectionString(section, ident + "_FontCharset", std::to_string(font.Charset)), font.Charset) & 255;
}

void TRegFiler::WriteFont(const TFontData& font) {
  if (!HasItem())
    return;
  const std::string& section = item_->Section();
  const std::string& ident = item_->Ident();
  WriteSectionString(section, ident + "_FontName", font.Name);
  WriteSectionString(section, ident + "_FontSize", std::to_string(font.Size));
  WriteSectionString(section, ident + "_FontColor", ColorToString(font.Color));
  WriteSectionString(section, ident + "_FontStyle", std::to_string(font.Style));
  WriteSectionString(section, ident + "_FontCharset", std::to_string(font.Charset));
}

void TRegFiler::ReadStrings(std::vector<std::string>& list) {
  if (!HasItem())
    return;
  list.clear();
  if (item_->Section().empty() || item_->Ident().empty())
    return;
  std::optional<Store> store = OpenStore(false);
  if (!store)
    return;
  const std::string section = store->Section(item_->Section());
  const int32_t count = store->File().ReadInteger(section, item_->Ident() + "_ItemCount", 0);
  if (count <= 0)
    return;

  // One pass over the keys that are there: entry n of the list is key Ident_Item<n>.
  const std::string prefix = item_->Ident() + "_Item";
  std::map<int64_t, std::string> present;
  for (auto& [name, value] : store->File().ReadSectionValues(section)) {
    const std::optional<int64_t> n = ItemNumber(name, prefix);
    if (n && *n < count)
      present.emplace(*n, std::move(value));
  }
  // Every entry takes a line of its own, so a count beyond the file's lines was not written by us.
  int64_t size = count;
  if (static_cast<uint64_t>(count) > store->File().LineCount())
    size = present.empty() ? 0 : present.rbegin()->first + 1;
  list.assign(static_cast<std::size_t>(size), std::string());
  for (auto& [n, value] : present) {
    if (n < size)
      list[static_cast<std::size_t>(n)] = std::move(value);
  }
}

void TRegFiler::WriteStrings(const std::vector<std::string>& list) {
  if (!HasItem())
    return;
  if (item_->Section().empty() || item_->Ident().empty())
    return;
  std::optional<Store> store = OpenStore(true);
  if (!store)
    return;
  TIniFile& file = store->File();
  const std::string section = store->Section(item_->Section());
  const std::string countKey = item_->Ident() + "_ItemCount";
  const std::string prefix = item_->Ident() + "_Item";
  const auto count = static_cast<int64_t>(list.size());
  const int32_t old = file.ReadInteger(section, countKey, 0);
  if (old > count) {
    file.DeleteKeys(section, [&](std::string_view name) {
      const std::optional<int64_t> n = ItemNumber(name, prefix);
      return n && *n >= count && *n < old;
    });
    if (count == 0)
      file.DeleteKey(section, countKey);
  }
  if (count > 0) {
    file.WriteString(section, countKey, std::to_string(count));
    for (std::size_t n = 0; n < list.size(); ++n)
      file.WriteString(section, prefix + std::to_string(n), list[n]);
  }
  store->Done();
}

void TRegFiler::ReadStream(std::string& stream) {
  if (!HasItem())
    return;
  if (item_->Section().empty() || item_->Ident().empty())
    return;
  std::optional<Store> store = OpenStore(false);
  if (!store)
    return;
  if (manager_->RegType() == rtIni) {
    ReadStreamFromIni(store->File(), item_->Section(), item_->Ident(), stream);
  } else {
    ReadStreamFromRegistry(store->File(), manager_->RegDir(), item_->Section(), item_->Ident(), stream);
  }
}

void TRegFiler::WriteStream(std::string_view stream) {
  if (!HasItem())
    return;
  if (item_->Section().empty() || item_->Ident().empty())
    return;
  std::optional<Store> store = OpenStore(true);
  if (!store)
    return;
  if (manager_->RegType() == rtIni) {
    WriteStreamToIni(store->File(), item_->Section(), item_->Ident(), stream);
  } else {
    WriteStreamToRegistry(store->File(), manager_->RegDir(), item_->Section(), item_->Ident(), stream);
  }
  store->Done();
}

void TRegFiler::ReadComponent(TComponent& component) {
  if (!HasItem())
    return;
  std::string stream;
  ReadStream(stream);
  if (!stream.empty())
    ReadComponentFromStream(stream, component);
}

void TRegFiler::WriteComponent(const TComponent& component) {
  if (!HasItem())
    return;
  std::string stream;
  WriteComponentToStream(component, stream);
  WriteStream(stream);
}

// --- the settings component --------------------------------------------------------------------

const TClassInfo& TRegManager::StaticClass() {
  static const TClassInfo info(
      "TRegManager", &Inherited::StaticClass(),
      {props::String<&TRegManager::IniFileName, &TRegManager::SetIniFileName>("IniFileName"),
       props::String<&TRegManager::RegDir, &TRegManager::SetRegDir>("RegDir"),
       props::Object<&TRegManager::RegItems>("RegItems"),
       props::Enumeration<&TRegManager::RegType, &TRegManager::SetRegType>("RegType", kRegTypeNames)},
      [](TComponent* owner) -> TComponent* { return new TRegManager(owner); });
  return info;
}

TRegManager::TRegManager(TComponent* owner)
    : TComponent(owner), regItems_(std::make_unique<TRegItems>(this)), filer_(std::make_unique<TRegFiler>(this)) {}

TRegManager::~TRegManager() = default;

TRegItem* TRegManager::AddItem(const std::string& name, const std::string& section, const std::string& ident,
                               const std::string& defaultValue) {
  TRegItem* item = regItems_->Add();
  item->SetName(name);
  item->SetSection(section);
  item->SetIdent(ident);
  item->SetDefaultValue(defaultValue);
  return item;
}

TRegFiler& TRegManager::Filer() {
  return *filer_;
}

TRegFiler& TRegManager::GetItem(std::string_view name) {
  TRegFiler& filer = Filer();
  TRegItem* item = regItems_->FindByName(name);
  if (!item)
    ShowError("[' " + std::string(name) + " '] is invalid.");
  filer.SetItem(item);
  return filer;
}

void TRegManager::ShowError(const std::string& message) const {
  ShowMessageBox("エラー", message, TMsgIcon::Error, TMsgButtons::OK);
}

// --- sessions ----------------------------------------------------------------------------------

TRegSession::TRegSession(TRegManager& manager) : manager_(manager), outermost_(manager.sessionDepth_ == 0) {
  if (outermost_)
    manager_.session_ = std::make_unique<TRegManager::SessionStore>();
  ++manager_.sessionDepth_;
}

TRegSession::~TRegSession() {
  --manager_.sessionDepth_;
  if (outermost_)
    manager_.session_.reset();
}

void TRegSession::Commit() {
  if (outermost_ && manager_.session_->opened)
    manager_.session_->file.UpdateFile();
}

}  // namespace vrel
