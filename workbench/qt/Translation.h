#pragma once
// The language of the interface. The texts are written in English; a
// translation compiled into the program (German) replaces them when the
// locale asks for it.

#include <QLocale>

namespace Ostra {

// Installs the translation of the interface texts for locale (by default
// the system's) into the application, replacing one installed before; Qt's
// own texts follow when their translation is present. False when there is
// no translation for locale: the texts stay English.
bool InstallTranslation(const QLocale& locale = QLocale());

}  // namespace Ostra
