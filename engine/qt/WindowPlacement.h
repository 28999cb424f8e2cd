#pragma once
// Places a secondary window (the output, plot and control windows, a GUI
// editor) beside the main window when it first appears, never over the main
// window or another window placed this way when the screen has room, always
// on the screen, and remembers where the user put it between starts
// (QSettings under the given key; windows of one key share it).

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

class QWidget;

class TWindowPlacement : public QObject {
  Q_OBJECT
public:
  // Watches window (and is owned by it); main is the window to keep clear of.
  TWindowPlacement(QWidget* window, QWidget* main, const QString& settingsKey);

  // Where a window frame of the given size goes next to mainFrame on a screen
  // whose free area is screen, clear of the frames taken: right of it, else
  // left, else below, else above, each first at the main window's edge and
  // then next to a taken frame there; when it fits nowhere, at the side with
  // the most room, moved onto the screen.
  static QRect BesideRect(const QRect& mainFrame, const QSize& frameSize, const QRect& screen,
                          const QList<QRect>& taken = {});

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  ~TWindowPlacement() override;
  QWidget* Window;
  QPointer<QWidget> Main;
  QString Key;
  bool Placed = false;

  void Place();
  void Remember();
};
