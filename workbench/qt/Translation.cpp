#include "workbench/qt/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace Ostra {

namespace {

// Replaces the translator kept in slot by one for locale, when there is one.
bool Replace(QPointer<QTranslator>& slot, const QLocale& locale, const QString& name, const QString& folder) {
  if (slot) {
    QCoreApplication::removeTranslator(slot);
    delete slot;
  }
  auto* t = new QTranslator(QCoreApplication::instance());
  if (!t->load(locale, name, "_", folder)) {
    delete t;
    return false;
  }
  QCoreApplication::installTranslator(t);
  slot = t;
  return true;
}

}  // namespace

bool InstallTranslation(const QLocale& locale) {
  static QPointer<QTranslator> own, qt;
  Replace(qt, locale, "qtbase", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return Replace(own, locale, "ostracalc", ":/i18n");
}

}  // namespace Ostra
