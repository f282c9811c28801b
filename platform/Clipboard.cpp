#include "platform/Clipboard.h"

namespace vrel {

std::string MimeTypeForFormatName(std::string_view formatName) {
  std::string mime = "application/x-qt-windows-mime;value=\"";
  mime += formatName;
  mime += '"';
  return mime;
}

bool MemoryClipboard::HasFormat(std::string_view mimeType) const {
  return blocks_.find(mimeType) != blocks_.end();
}

std::optional<std::string> MemoryClipboard::Data(std::string_view mimeType) const {
  const auto it = blocks_.find(mimeType);
  if (it == blocks_.end())
    return std::nullopt;
  return it->second;
}

void MemoryClipboard::SetData(std::string_view mimeType, std::string bytes) {
  blocks_.clear();
  blocks_.emplace(std::string(mimeType), std::move(bytes));
  ++writes_;
}

void MemoryClipboard::SetUnavailable(std::string_view mimeType) {
  blocks_.clear();
  blocks_.emplace(std::string(mimeType), std::nullopt);
}

}  // namespace vrel
