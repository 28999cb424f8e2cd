#pragma once
// The about box, and the maker's logo and links shared with the main window.

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QString>

#include <functional>

class QMouseEvent;
class QPlainTextEdit;
class QPushButton;

namespace Ostra {

// The maker's web site.
extern const char* const WebSiteAddress;
// The two lines shown beside the logo.
extern const char* const MakerName;
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

class TAboutForm : public QDialog {
  Q_OBJECT
public:
  explicit TAboutForm(QWidget* parent = nullptr);

  QLabel* lblVersion;
  QPlainTextEdit* Memo;
  QPushButton* BtnOk;
  QLabel* LinkLabel;

signals:
  // The link label was clicked.
  void WebSiteRequested();
};
