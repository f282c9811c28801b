#pragma once

// The system clipboard as the model sees it: whole byte blocks under MIME types. The editor's own
// formats travel as private types; the window-system adapter lives in platform/qt, and the
// in-memory clipboard below stands in for it in tests and tools.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vrel {

// The MIME type under which a named private clipboard format travels. Qt maps this form to a
// registered clipboard format of the same name on Windows, so other programs that register the
// name see the same block; elsewhere it is an ordinary private type.
std::string MimeTypeForFormatName(std::string_view formatName);

class IClipboard {
 public:
  virtual ~IClipboard() = default;

  // The clipboard offers data under this type.
  virtual bool HasFormat(std::string_view mimeType) const = 0;
  // The whole block under this type, or nothing when the clipboard holds none or cannot hand it
  // over.
  virtual std::optional<std::string> Data(std::string_view mimeType) const = 0;
  // Empties the clipboard, then puts `bytes` under this type.
  virtual void SetData(std::string_view mimeType, std::string bytes) = 0;
};

// A clipboard that lives in memory. It can also offer a type whose data cannot be had, as a
// clipboard owner that has gone away does.
class MemoryClipboard : public IClipboard {
 public:
  bool HasFormat(std::string_view mimeType) const override;
  std::optional<std::string> Data(std::string_view mimeType) const override;
  void SetData(std::string_view mimeType, std::string bytes) override;

  // Empties the clipboard, then offers the type without data.
  void SetUnavailable(std::string_view mimeType);
  void Clear() { blocks_.clear(); }
  // How many times SetData was called.
  int WriteCount() const { return writes_; }

 private:
  std::map<std::string, std::optional<std::string>, std::less<>> blocks_;
  int writes_ = 0;
};

}  // namespace vrel
