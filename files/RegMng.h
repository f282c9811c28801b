#pragma once

// The settings store. Each window declares a table of named items (section, key, default text) in a
// TRegManager and reads or writes them by name through the manager's TRegFiler, as Booleans,
// integers, floats, strings, fonts, string lists, streams or components. The items live in the INI
// settings file; the registry of the earlier versions stands in as an INI file of its own.
//
// An access on its own opens the file, reads it, and writes it back when something changed: nothing
// is held between calls. A window's load or save is a run of accesses, which a TRegSession keeps on
// one parse of the file and one write. A value that does not convert reads as the item's default,
// so one bad hand-edited line never keeps the editor from starting.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Classes.h"
#include "platform/FontStyles.h"
#include "platform/IniFile.h"

namespace vrel {

enum TRegType : int32_t { rtReg = 0, rtIni = 1 };

// --- where the files live ----------------------------------------------------------------------

// The environment variable that names another settings file (tests use it).
inline constexpr const char* kSettingsFileVariable = "VREL_INI";

// $XDG_CONFIG_HOME/vrel, or ~/.config/vrel when that variable is unset, empty or not absolute.
std::string ConfigFolder();
// The settings file: $VREL_INI when set and not empty; else the executable's path with the
// extension ".ini" when the executable's folder is writable; else ConfigFolder()/vrel.ini.
std::string SettingsFileName();
// The same choice for a given executable and writability test.
std::string SettingsFileNameFor(const std::string& executablePath,
                                const std::function<bool(const std::string& folder)>& folderWritable);
// The file that stands in for the registry: ConfigFolder()/registry.ini. A registry key K with a
// sub-key S is its section "K\S".
std::string RegistryFileName();

// --- colours and fonts -------------------------------------------------------------------------

// Colours as the settings file writes them: the name of a standard or system colour ("clRed",
// "clWindowText"), else "$" and eight hexadecimal digits. Red is the low byte; system colours have
// the top byte 0xFF.
std::string ColorToString(int32_t color);
// Accepts a colour name (any case) or an integer in ParseIniInteger's forms ("$00FF8000", "255").
bool StringToColor(std::string_view text, int32_t& color);

struct TNamedColor {
  int32_t Color;
  const char* Name;
};
// The colour box's standard colours, black to white (clBlack, clMaroon, ... clWhite), then its
// extended ones: clMoneyGreen, clSkyBlue, clCream, clMedGray.
std::span<const TNamedColor> StandardColors();

inline constexpr int32_t clWindowText = static_cast<int32_t>(0xFF000008u);

// What the settings file keeps of a font.
struct TFontData {
  std::string Name;  // CP932
  int32_t Size = 9;  // points
  int32_t Color = clWindowText;
  int32_t Style = 0;    // a set of TFontStyle bits (FontStyleBit), as stored under "_FontStyle"
  int32_t Charset = 1;  // the default character set
  bool operator==(const TFontData&) const = default;
};

// --- the item table ----------------------------------------------------------------------------

class TRegItem : public TCollectionItem {
  VREL_CLASS_INFO(TRegItem, TCollectionItem)
 public:
  explicit TRegItem(TCollection* collection) : TCollectionItem(collection) {}

  // The name code asks for the item by.
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  const std::string& Section() const { return section_; }
  void SetSection(const std::string& section) { section_ = section; }
  // The key.
  const std::string& Ident() const { return ident_; }
  void SetIdent(const std::string& ident) { ident_ = ident; }
  // The default as text.
  const std::string& DefaultValue() const { return defaultValue_; }
  void SetDefaultValue(const std::string& value) { defaultValue_ = value; }

  void Assign(const TPersistent* source) override;

 private:
  std::string name_;
  std::string section_;
  std::string ident_;
  std::string defaultValue_;
};

class TRegItems : public TCollection {
  VREL_CLASS_INFO(TRegItems, TCollection)
 public:
  explicit TRegItems(TPersistent* owner = nullptr);

  TRegItem* Items(int i) const { return static_cast<TRegItem*>(TCollection::Items(i)); }
  // Copies `item` onto item i.
  void SetItems(int i, const TRegItem* item) { Items(i)->Assign(item); }
  TRegItem* Add() { return static_cast<TRegItem*>(TCollection::Add()); }
  // The first item with this name, case ignored, or nullptr.
  TRegItem* FindByName(std::string_view name) const;
};

// --- the reader/writer -------------------------------------------------------------------------

class TRegManager;

// Reads and writes the manager's current item. Without a current item every operation does nothing
// and the readers answer false, 0, 0.0 or empty.
class TRegFiler : public TObject {
 public:
  explicit TRegFiler(TRegManager* manager) : manager_(manager) {}

  TRegManager* Manager() const { return manager_; }
  TRegItem* Item() const { return item_; }
  void SetItem(TRegItem* item) { item_ = item; }

  // The stored text of `key` in `section`, or `defaultValue` when it is absent, when either name is
  // empty, or when the store cannot be opened or read.
  std::string ReadSectionString(const std::string& section, const std::string& key, const std::string& defaultValue);
  // Stores the text; does nothing when either name is empty. Raises EIniFileError when the file
  // cannot be written.
  void WriteSectionString(const std::string& section, const std::string& key, const std::string& value);

  // "1" or "0". Reading: the stored text as an integer (0 when it is not one), true when its low
  // eight bits are not all zero; the default text counts as "1" when it is 1, TRUE or YES in any case.
  bool ReadBool();
  void WriteBool(bool value);
  // Decimal text; a stored text that is not an integer reads as the default text's value (0 when
  // that is no integer either).
  int32_t ReadInteger();
  void WriteInteger(int32_t value);
  std::string ReadString();
  void WriteString(const std::string& value);
  // Five keys: Ident + "_FontName", "_FontSize", "_FontColor", "_FontStyle", "_FontCharset". Each
  // key that is absent or does not convert keeps the font's current value.
  void ReadFont(TFontData& font);
  void WriteFont(const TFontData& font);
  // Ident + "_ItemCount" and Ident + "_Item" + n. A count beyond the lines the file has is not
  // believed: the list then ends with the last entry present.
  void ReadStrings(std::vector<std::string>& list);
  void WriteStrings(const std::vector<std::string>& list);
  // Appends the stored bytes to `stream`.
  void ReadStream(std::string& stream);
  void WriteStream(std::string_view stream);
  // Reads the stored component stream, when there is one, into `component`; raises the stream's
  // errors.
  void ReadComponent(TComponent& component);
  void WriteComponent(const TComponent& component);

  void DeleteKey(const std::string& section, const std::string& key);
  // The shortest text with 15 significant digits and "." as the point. A stored text that is not a
  // number reads as the default text's value (0 when that is no number either).
  double ReadFloat();
  void WriteFloat(double value);

 private:
  class Store;
  // The store of one access: the session's, or one opened for this access alone. Shows the
  // manager's error box and answers nothing when the store has no file; a file that cannot be read
  // opens empty for reading and raises for writing.
  std::optional<Store> OpenStore(bool forWriting);
  bool HasItem() const;

  TRegManager* manager_;
  TRegItem* item_ = nullptr;
};

// --- the settings component --------------------------------------------------------------------

class TRegSession;

class TRegManager : public TComponent {
  VREL_CLASS_INFO(TRegManager, TComponent)
 public:
  explicit TRegManager(TComponent* owner = nullptr);
  ~TRegManager() override;

  const std::string& IniFileName() const { return iniFileName_; }
  void SetIniFileName(const std::string& name) { iniFileName_ = name; }
  // The registry key the sections live under.
  const std::string& RegDir() const { return regDir_; }
  void SetRegDir(const std::string& dir) { regDir_ = dir; }
  TRegItems* RegItems() const { return regItems_.get(); }
  void SetRegItems(const TRegItems* items) { regItems_->Assign(items); }
  // Every window keeps its items in the INI file, so that is where a new manager looks.
  TRegType RegType() const { return regType_; }
  void SetRegType(TRegType type) { regType_ = type; }

  // Adds an item to the table.
  TRegItem* AddItem(const std::string& name, const std::string& section, const std::string& ident,
                    const std::string& defaultValue);
  // The filer on the item of that name. An unknown name shows "[' name '] is invalid." and leaves
  // the filer on no item.
  TRegFiler& GetItem(std::string_view name);
  TRegFiler& Filer();

  // An error box (error icon, one OK button) through the message-box port.
  void ShowError(const std::string& message) const;

 private:
  friend class TRegFiler;
  friend class TRegSession;
  struct SessionStore;

  std::string iniFileName_;
  std::string regDir_;
  std::unique_ptr<TRegItems> regItems_;
  TRegType regType_ = rtIni;
  std::unique_ptr<TRegFiler> filer_;
  // The store while a session is open; its file is opened at the session's first access.
  std::unique_ptr<SessionStore> session_;
  int sessionDepth_ = 0;
};

// Keeps a manager's store open for a run of accesses, such as a window's load or save: the file is
// read and parsed once, at the first access, and what the accesses write stays in memory until
// Commit writes the file once. A session opened while another is open on the same manager joins it;
// only the outermost one reads and writes. Writes that were not committed when the outermost
// session ends are dropped, so a save that failed halfway leaves the file as it was.
class TRegSession {
 public:
  explicit TRegSession(TRegManager& manager);
  ~TRegSession();
  TRegSession(const TRegSession&) = delete;
  TRegSession& operator=(const TRegSession&) = delete;

  // Writes the changes of the session, when there are any (the outermost session only). Raises
  // EIniFileError when the file cannot be written; the changes then stay for another Commit.
  void Commit();

 private:
  TRegManager& manager_;
  bool outermost_;
};

// The texts of the error boxes, exactly so.
inline constexpr std::string_view kNoIniFileMessage = "can not create Inifile object.";
inline constexpr std::string_view kNoRegistryMessage = "can not create Registry object.";

}  // namespace vrel
