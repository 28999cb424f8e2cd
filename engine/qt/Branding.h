#pragma once
// The maker's name, logo and links, and the version caption, shown by the
// main window and the about box.

#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QString>

#include <functional>

class QMouseEvent;

namespace Ostra {

// The maker's web site.
extern const char* const WebSiteAddress;
// The two lines shown beside the logo.
extern const char* const MakerName;
// In English; QCoreApplication::translate("Ostra", MakerLine) gives the
// text of the interface's language.
extern const char* const MakerLine;

// "Version " followed by the version text and, for a pre-release build,
// " PreRelease".
QString VersionCaption(const QString& version, bool preRelease);
// The caption of this build.
QString BuildVersionCaption();

// The maker's logo, drawn at the given height.
QPixmap MakerLogo(int height);

// A label that acts like a link: a click, or a double click, calls Clicked
// once.
class TClickLabel : public QLabel {
public:
  using QLabel::QLabel;
  std::function<void()> Clicked;

protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
  // The release that ends a double click is not a click of its own.
  bool SkipRelease = false;
  QElapsedTimer LastClick;
  void Click();
};

}  // namespace Ostra
