#include "engine/qt/AtomicFile.h"

#include <QSaveFile>

namespace Ostra {

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
  // QSaveFile writes beside the target and renames over it on commit.
  QSaveFile file(path);
  bool ok = file.open(QIODevice::WriteOnly);
  if (ok) ok = file.write(bytes) == bytes.size();
  if (ok) ok = file.commit();
  else file.cancelWriting();
  if (!ok && error) *error = file.errorString();
  return ok;
}

}  // namespace Ostra
