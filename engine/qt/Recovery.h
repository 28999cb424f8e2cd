#pragma once
// Recovery copies of unsaved documents. Each window that holds a document
// keeps, while the document has unsaved changes, a copy of it in a folder of
// the user's state ("recovery" in the application's local data folder): the
// document's bytes exactly as saving would write them, in <id>.sma, and a
// small side file <id>.info with the kind of document and its original path.
// The owner holds <id>.lock for its lifetime, so that copies whose owner
// ended without removing them (a crash, a kill) can be told from the copies
// of a program still running.

#include <QLockFile>
#include <QString>
#include <memory>
#include <string>
#include <vector>

class TRecoveryStore {
public:
  // The kind of document a copy holds.
  static constexpr const char* MacroKind = "macro";
  static constexpr const char* LayoutKind = "layout";

  // A copy left behind by an owner that is gone.
  struct TCopy {
    QString Id;
    QString Kind;
    QString OriginalPath;  // empty: the document had no file yet
    std::string Bytes;
  };

  // Copies of this store go to folder (created when missing).
  explicit TRecoveryStore(const QString& folder);
  ~TRecoveryStore();
  // The standard folder of the copies.
  static QString DefaultFolder();

  // Replaces this owner's copy, atomically; false when it could not be written.
  bool Write(const std::string& bytes, const QString& kind, const QString& originalPath);
  // Removes this owner's copy, if any.
  void Remove();
  bool HasCopy() const { return FHasCopy; }
  QString DataPath() const { return FilePath(FId, ".sma"); }

  // The copies in the folder whose owners have ended, newest first.
  std::vector<TCopy> Orphans() const;
  // Removes a copy of another owner.
  void Discard(const TCopy& copy) const;

private:
  QString FFolder;
  QString FId;
  std::unique_ptr<QLockFile> FLock;
  bool FHasCopy = false;

  QString FilePath(const QString& id, const char* suffix) const;
};
