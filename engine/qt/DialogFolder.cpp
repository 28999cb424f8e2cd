#include "engine/qt/DialogFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace Ostra {

namespace {

// Kernel and virtual file systems: their entries are interfaces, not files.
bool IsPseudoFileSystem(const QByteArray& type) {
  static const char* const pseudo[] = {"proc",       "sysfs",   "devtmpfs",  "devpts", "debugfs",     "tracefs",
                                       "securityfs", "cgroup",  "cgroup2",   "pstore", "bpf",         "configfs",
                                       "efivarfs",   "fusectl", "hugetlbfs", "mqueue", "binfmt_misc", "autofs",
                                       "rpc_pipefs", "nsfs",    "selinuxfs"};
  for (const char* p : pseudo)
    if (type == p) return true;
  return false;
}

}  // namespace

bool IsSafeDialogFolder(const QString& folder) {
  if (folder.isEmpty()) return false;
  const QFileInfo info(folder);
  if (!info.isDir() || !info.isReadable() || !info.isExecutable()) return false;
  const QStorageInfo storage(info.canonicalFilePath());
  return storage.isValid() && !IsPseudoFileSystem(storage.fileSystemType());
}

QString SafeDialogFolder(const QString& wanted) {
  return IsSafeDialogFolder(wanted) ? QFileInfo(wanted).absoluteFilePath() : QDir::homePath();
}

QString DialogFolder(const QString& path) {
  const QFileInfo info(path.isEmpty() ? QDir::currentPath() : path);
  return SafeDialogFolder(path.isEmpty() || info.isDir() ? info.absoluteFilePath() : info.absolutePath());
}

}  // namespace Ostra
