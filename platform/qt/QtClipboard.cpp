#include "platform/qt/QtClipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

namespace vrel {

namespace {
QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

QtClipboard::QtClipboard() : clipboard_(QGuiApplication::clipboard()) {}

bool QtClipboard::HasFormat(std::string_view mimeType) const {
  const QMimeData* data = clipboard_ ? clipboard_->mimeData() : nullptr;
  return data && data->hasFormat(ToQString(mimeType));
}

std::optional<std::string> QtClipboard::Data(std::string_view mimeType) const {
  const QMimeData* data = clipboard_ ? clipboard_->mimeData() : nullptr;
  const QString type = ToQString(mimeType);
  if (!data || !data->hasFormat(type))
    return std::nullopt;
  // The owner may have gone away between the offer and the request: an empty answer is no block.
  const QByteArray bytes = data->data(type);
  if (bytes.isEmpty())
    return std::nullopt;
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void QtClipboard::SetData(std::string_view mimeType, std::string bytes) {
  if (!clipboard_)
    return;
  auto* data = new QMimeData;
  data->setData(ToQString(mimeType), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  // The clipboard takes ownership and drops whatever it offered before.
  clipboard_->setMimeData(data);
}

}  // namespace vrel
