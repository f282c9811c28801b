#include "platform/SafeSave.h"

#include <QFile>
#include <QSaveFile>

namespace vrel {

bool SaveFileReplacing(const std::string& utf8Path, std::string_view bytes, std::string& error) {
  QSaveFile file(QFile::decodeName(QByteArray::fromStdString(utf8Path)));
  // Unbuffered, so that a short write (a full disk, a file-size limit) shows in write's count: a
  // buffered QSaveFile commits whatever part of its last flush reached the disk.
  bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  if (ok && file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
    file.cancelWriting();
    ok = false;
  }
  if (ok)
    ok = file.commit();
  if (!ok)
    error = file.errorString().toStdString();
  return ok;
}

}  // namespace vrel
