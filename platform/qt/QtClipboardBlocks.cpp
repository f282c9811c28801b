#include "platform/qt/QtClipboardBlocks.h"

#include <QClipboard>
#include <QMimeData>
#include <QString>

namespace vrel {

void SetClipboardBlocks(QClipboard* clipboard, const ClipboardBlocks& blocks) {
  if (!clipboard)
    return;
  auto* data = new QMimeData;
  for (const auto& [type, bytes] : blocks) {
    if (type == "text/plain")
      data->setText(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
    else
      data->setData(QString::fromStdString(type), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  }
  // The clipboard takes ownership and drops whatever it offered before.
  clipboard->setMimeData(data);
}

}  // namespace vrel
