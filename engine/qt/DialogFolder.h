#pragma once
// The folder a file dialog opens in. A dialog lists its folder and looks
// into the files there; on a pseudo file system (/proc, /sys, /dev) that can
// block for good (/proc/kmsg) or touch devices, so a dialog is never preset
// to such a folder.

#include <QString>

namespace Ostra {

// True when folder is a folder that can be listed safely: it exists, may be
// read and entered, and lies on a file system that stores files.
bool IsSafeDialogFolder(const QString& folder);

// wanted when it is safe to list, else the home folder.
QString SafeDialogFolder(const QString& wanted);

// The folder to open a file dialog in (give it to the dialog's constructor,
// which lists it at once) for path: the folder of a file, or a folder; an
// empty path means the current folder. An unsafe folder gives way to the
// home folder.
QString DialogFolder(const QString& path);

}  // namespace Ostra
