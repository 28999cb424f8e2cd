#include "engine/qt/Recovery.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>

#include "engine/qt/AtomicFile.h"

namespace {

// Several windows of one process each have their own copy.
std::atomic<int> NextOwner{1};

}  // namespace

TRecoveryStore::TRecoveryStore(const QString& folder)
    : FFolder(folder), FId(QString("%1-%2").arg(QCoreApplication::applicationPid()).arg(NextOwner.fetch_add(1))) {
  QDir().mkpath(FFolder);
  FLock = std::make_unique<QLockFile>(FilePath(FId, ".lock"));
  FLock->setStaleLockTime(0);
  if (!FLock->tryLock(0)) FLock.reset();
}

TRecoveryStore::~TRecoveryStore() = default;

QString TRecoveryStore::DefaultFolder() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).filePath("recovery");
}

QString TRecoveryStore::FilePath(const QString& id, const char* suffix) const {
  return QDir(FFolder).filePath(id + QLatin1String(suffix));
}

bool TRecoveryStore::Write(const std::string& bytes, const QString& kind, const QString& originalPath) {
  // The side file first: a copy is only taken up when both exist.
  // The path percent-encoded, so that no character of it ends its line.
  const QByteArray info = "kind=" + kind.toUtf8() + "\npath=" + originalPath.toUtf8().toPercentEncoding() + "\n";
  const bool ok = Ostra::WriteFileAtomically(FilePath(FId, ".info"), info) &&
                  Ostra::WriteFileAtomically(DataPath(), QByteArray(bytes.data(), qsizetype(bytes.size())));
  FHasCopy = FHasCopy || ok;
  return ok;
}

void TRecoveryStore::Remove() {
  if (!FHasCopy) return;
  QFile::remove(DataPath());
  QFile::remove(FilePath(FId, ".info"));
  FHasCopy = false;
}

std::vector<TRecoveryStore::TCopy> TRecoveryStore::Orphans() const {
  std::vector<std::pair<QDateTime, TCopy>> found;
  const QDir dir(FFolder);
  for (const QFileInfo& infoFile : dir.entryInfoList({"*.info"}, QDir::Files)) {
    const QString id = infoFile.completeBaseName();
    if (id == FId) continue;
    // A lock that is held belongs to a running program; a lock left by a
    // program that is gone counts as free.
    QLockFile owner(FilePath(id, ".lock"));
    owner.setStaleLockTime(0);
    if (!owner.tryLock(0)) continue;
    owner.unlock();
    QFile info(infoFile.filePath());
    QFile data(FilePath(id, ".sma"));
    if (!info.open(QIODevice::ReadOnly) || !data.open(QIODevice::ReadOnly)) continue;
    TCopy copy;
    copy.Id = id;
    for (const QByteArray& line : info.readAll().split('\n')) {
      if (line.startsWith("kind=")) copy.Kind = QString::fromUtf8(line.mid(5));
      else if (line.startsWith("path="))
        copy.OriginalPath = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(5)));
    }
    const QByteArray bytes = data.readAll();
    copy.Bytes.assign(bytes.constData(), size_t(bytes.size()));
    found.emplace_back(QFileInfo(data).lastModified(), std::move(copy));
  }
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<TCopy> copies;
  for (auto& f : found) copies.push_back(std::move(f.second));
  return copies;
}

void TRecoveryStore::Discard(const TCopy& copy) const {
  QFile::remove(FilePath(copy.Id, ".sma"));
  QFile::remove(FilePath(copy.Id, ".info"));
}
