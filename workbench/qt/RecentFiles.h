#pragma once
// The documents opened or saved last, newest first, kept in the settings
// and offered in a menu of their own.

#include <QObject>
#include <QStringList>
#include <functional>

class QMenu;

class TRecentFiles : public QObject {
  Q_OBJECT
public:
  static constexpr int MaxFiles = 8;

  // Fills menu (rebuilt whenever it opens) with the files; choosing one
  // calls OnChosen with its path.
  explicit TRecentFiles(QMenu* menu);

  QStringList Files() const;
  // Puts the file (made absolute) first; the oldest beyond MaxFiles go.
  void Add(const QString& path);
  void Remove(const QString& path);
  std::function<void(const QString&)> OnChosen;

private:
  QMenu* Menu;
  void Store(const QStringList& files);
  void Rebuild();
};
