#include "workbench/qt/FileAssociation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace Ostra {

const char* const MacroMimeType = "application/x-rir-macro";
const char* const DesktopEntryName = "ostracalc.desktop";
const char* const MimePackageName = "ostracalc-sma.xml";

QString MimePackageText() {
  return QString(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
             "  <mime-type type=\"%1\">\n"
             "    <comment>RIR macro file</comment>\n"
             "    <sub-class-of type=\"text/plain\"/>\n"
             "    <glob pattern=\"*.sma\"/>\n"
             "  </mime-type>\n"
             "</mime-info>\n")
      .arg(MacroMimeType);
}

QString DesktopExecQuote(const QString& path) {
  // Inside double quotes, the characters " ` $ and \ need a backslash; the
  // backslash itself is doubled once more by the key's string escaping, and
  // a literal % is written %%.
  QString q;
  for (QChar c : path) {
    if (c == u'"' || c == u'`' || c == u'$') q += QLatin1String("\\\\");
    if (c == u'\\') q += QLatin1String("\\\\\\");
    if (c == u'%') q += u'%';
    q += c;
  }
  return '"' + q + '"';
}

QString DesktopEntryText(const QString& executable) {
  return QString(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=The Ostra Calculator\n"
             "Comment=Advanced calculator and macro tool for lab work\n"
             "Exec=%1 %f\n"
             "Icon=accessories-calculator\n"
             "Terminal=false\n"
             "MimeType=%2;\n"
             "Categories=Science;Utility;\n")
      .arg(DesktopExecQuote(executable), MacroMimeType);
}

namespace {

bool WriteNew(const QString& path, const QString& text) {
  if (QFileInfo::exists(path)) return true;
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  f.write(text.toUtf8());
  return f.commit();
}

void RunQuietly(const QString& tool, const QStringList& args) {
  const QString program = QStandardPaths::findExecutable(tool);
  if (program.isEmpty()) return;
  QProcess p;
  p.setProgram(program);
  p.setArguments(args);
  p.setStandardOutputFile(QProcess::nullDevice());
  p.setStandardErrorFile(QProcess::nullDevice());
  p.startDetached();
}

}  // namespace

bool RegisterFileAssociation(const QString& dataHome, const QStringList& otherDataDirs, const QString& executable,
                             bool refreshCaches) {
  if (dataHome.isEmpty()) return false;
  QStringList dirs = otherDataDirs;
  dirs.prepend(dataHome);
  for (const QString& d : dirs)
    if (!d.isEmpty() && QFileInfo::exists(d + "/applications/" + DesktopEntryName)) return false;

  const QString mimeDir = dataHome + "/mime";
  const QString appDir = dataHome + "/applications";
  if (!WriteNew(mimeDir + "/packages/" + MimePackageName, MimePackageText())) return false;
  if (!WriteNew(appDir + "/" + DesktopEntryName, DesktopEntryText(executable))) return false;
  if (refreshCaches) {
    RunQuietly("update-mime-database", {mimeDir});
    RunQuietly("update-desktop-database", {appDir});
  }
  return true;
}

bool RegisterFileAssociation() {
  QString home = qEnvironmentVariable("XDG_DATA_HOME");
  if (home.isEmpty()) home = QDir::homePath() + "/.local/share";
  QString sys = qEnvironmentVariable("XDG_DATA_DIRS");
  if (sys.isEmpty()) sys = "/usr/local/share:/usr/share";
  return RegisterFileAssociation(home, sys.split(u':', Qt::SkipEmptyParts), QCoreApplication::applicationFilePath());
}

}  // namespace Ostra
