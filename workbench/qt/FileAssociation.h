#pragma once
// Makes the desktop open macro files (*.sma) with this program: a MIME type
// for the files and a desktop entry for the program, in the user's data
// folder. An association that exists already is never rewritten.

#include <QString>
#include <QStringList>

namespace Ostra {

extern const char* const MacroMimeType;     // "application/x-rir-macro"
extern const char* const DesktopEntryName;  // "ostracalc.desktop"
extern const char* const MimePackageName;   // "ostracalc-sma.xml"

// The MIME package describing *.sma files.
QString MimePackageText();
// The desktop entry starting executable with the opened file.
QString DesktopEntryText(const QString& executable);
// The executable path as a quoted argument of a desktop entry's Exec key.
QString DesktopExecQuote(const QString& path);

// Writes the MIME package and the desktop entry below dataHome (its
// "mime/packages" and "applications" folders) unless a desktop entry of the
// program exists already there or in one of otherDataDirs; then refreshes
// the desktop's caches when their tools are installed. Failures are silent.
// True when the files were written.
bool RegisterFileAssociation(const QString& dataHome, const QStringList& otherDataDirs, const QString& executable,
                             bool refreshCaches = true);

// The same for the current user: $XDG_DATA_HOME (or ~/.local/share) and the
// system data folders of $XDG_DATA_DIRS.
bool RegisterFileAssociation();

}  // namespace Ostra
