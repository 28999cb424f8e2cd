#include "engine/qt/WindowPlacement.h"

#include <QEvent>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>

namespace {

// Space between the two windows.
constexpr int Gap = 4;

QRect OnScreen(QRect r, const QRect& screen) {
  r.moveLeft(std::max(screen.left(), std::min(r.left(), screen.right() + 1 - r.width())));
  r.moveTop(std::max(screen.top(), std::min(r.top(), screen.bottom() + 1 - r.height())));
  return r;
}

// Every window placed this way, for keeping clear of each other.
QList<TWindowPlacement*>& Placements() {
  static QList<TWindowPlacement*> all;
  return all;
}

}  // namespace

TWindowPlacement::TWindowPlacement(QWidget* window, QWidget* main, const QString& settingsKey)
    : QObject(window), Window(window), Main(main), Key(settingsKey + "/geometry") {
  window->installEventFilter(this);
  Placements().append(this);
}

TWindowPlacement::~TWindowPlacement() { Placements().removeAll(this); }

QRect TWindowPlacement::BesideRect(const QRect& mainFrame, const QSize& frameSize, const QRect& screen,
                                   const QList<QRect>& taken) {
  const QRect right(QPoint(mainFrame.right() + 1 + Gap, mainFrame.top()), frameSize);
  const QRect left(QPoint(mainFrame.left() - Gap - frameSize.width(), mainFrame.top()), frameSize);
  const QRect below(QPoint(mainFrame.left(), mainFrame.bottom() + 1 + Gap), frameSize);
  const QRect above(QPoint(mainFrame.left(), mainFrame.top() - Gap - frameSize.height()), frameSize);
  const auto free = [&](const QRect& c) {
    if (!screen.contains(c)) return false;
    for (const QRect& t : taken)
      if (t.intersects(c)) return false;
    return true;
  };
  // Sliding along the main window's edge keeps a candidate beside it: at
  // the edge's start, then after each taken frame; right and left slide
  // down, below and above slide sideways.
  const struct {
    QRect Start;
    bool Down;
  } sides[] = {{right, true}, {left, true}, {below, false}, {above, false}};
  for (const auto& [r, down] : sides) {
    QList<int> starts{down ? r.top() : r.left()};
    for (const QRect& t : taken) starts << (down ? t.bottom() : t.right()) + 1 + Gap;
    for (int start : starts) {
      QRect c = r;
      if (down) c.moveTop(std::max(screen.top(), std::min(start, screen.bottom() + 1 - c.height())));
      else c.moveLeft(std::max(screen.left(), std::min(start, screen.right() + 1 - c.width())));
      if (free(c)) return c;
    }
  }
  const int roomRight = screen.right() - mainFrame.right();
  const int roomLeft = mainFrame.left() - screen.left();
  return OnScreen(roomRight >= roomLeft ? right : left, screen);
}

bool TWindowPlacement::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Window) {
    switch (event->type()) {
      case QEvent::Show:
        // Before the window reaches the screen.
        if (!Placed) Place();
        break;
      case QEvent::Move:
      case QEvent::Resize:
        if (Placed && Window->isVisible()) Remember();
        break;
      default: break;
    }
  }
  return QObject::eventFilter(watched, event);
}

void TWindowPlacement::Place() {
  Placed = true;
  // The frames of the other placed windows on the screen.
  QList<QRect> taken;
  bool sameKeyShown = false;
  for (const TWindowPlacement* p : Placements()) {
    if (p == this || !p->Window->isVisible()) continue;
    taken << p->Window->frameGeometry();
    sameKeyShown = sameKeyShown || p->Key == Key;
  }
  // restoreGeometry keeps the window on one of the present screens; a
  // second window of the key (another GUI editor) is not put on the first.
  if (!sameKeyShown && Window->restoreGeometry(QSettings().value(Key).toByteArray())) return;
  if (!Main) return;
  QScreen* screen = Main->screen();
  if (!screen) return;
  const QRect mainFrame = Main->frameGeometry();
  // The frame this window will get: its size plus the main window's frame.
  const QSize frame = Window->size() + (mainFrame.size() - Main->size());
  const QRect target = BesideRect(mainFrame, frame, screen->availableGeometry(), taken);
  Window->move(target.topLeft());
}

void TWindowPlacement::Remember() { QSettings().setValue(Key, Window->saveGeometry()); }
