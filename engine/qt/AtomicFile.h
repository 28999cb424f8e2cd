#pragma once
// Writing a file so that it is either replaced completely or left as it was.

#include <QByteArray>
#include <QString>

namespace Ostra {

// Replaces the file at path with bytes once they are completely written;
// false with the reason in error (if given) otherwise.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace Ostra
