#include "workbench/qt/RecentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

constexpr const char* Key = "RecentFiles";

}  // namespace

TRecentFiles::TRecentFiles(QMenu* menu) : QObject(menu), Menu(menu) {
  connect(Menu, &QMenu::aboutToShow, this, &TRecentFiles::Rebuild);
  Rebuild();
}

QStringList TRecentFiles::Files() const {
  QStringList files = QSettings().value(Key).toStringList();
  files.removeAll(QString());
  return files.mid(0, MaxFiles);
}

void TRecentFiles::Store(const QStringList& files) {
  QSettings().setValue(Key, files.mid(0, MaxFiles));
  Rebuild();
}

void TRecentFiles::Add(const QString& path) {
  const QString file = QFileInfo(path).absoluteFilePath();
  QStringList files = Files();
  files.removeAll(file);
  files.prepend(file);
  Store(files);
}

void TRecentFiles::Remove(const QString& path) {
  QStringList files = Files();
  files.removeAll(path);
  Store(files);
}

void TRecentFiles::Rebuild() {
  Menu->clear();
  const QStringList files = Files();
  for (int i = 0; i < files.size(); ++i) {
    QString shown = QDir::toNativeSeparators(files[i]);
    shown.replace(u'&', QLatin1String("&&"));
    QAction* a = Menu->addAction(QString("&%1 %2").arg(i + 1).arg(shown));
    const QString path = files[i];
    connect(a, &QAction::triggered, this, [this, path] {
      if (OnChosen) OnChosen(path);
    });
  }
  Menu->setEnabled(!files.isEmpty());
}
