#include "panels/qt/PanelWidgets.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyleFactory>
#include <QToolButton>

#include "engine/qt/CodePage.h"

using namespace Ostra;

namespace {

Qt::Alignment AlignmentOf(int32_t a) {
  const Qt::Alignment h = a == 1 ? Qt::AlignHCenter : a == 2 ? Qt::AlignRight : Qt::AlignLeft;
  return h | Qt::AlignVCenter;
}

// Owns a widget; the widget may also go with its parent, which the pointer
// notices.
template <class W>
class TWidgetOf : public TLiveControl {
public:
  explicit TWidgetOf(W* w) : Widget(w) {}
  ~TWidgetOf() override { delete Widget.data(); }
  QPointer<W> Widget;
};

// A widget that shows a program's changes at most about 60 times a second:
// the first change is shown at once, later ones within RefreshMs, each time
// from the control's current fields. A program may set a property thousands
// of times a second; repainting the widget each time would make the window
// unresponsive and the program slow, and nobody can see more.
template <class W>
class TThrottledWidget : public TWidgetOf<W> {
public:
  static constexpr int RefreshMs = 16;
  using TWidgetOf<W>::TWidgetOf;
  void Apply(const TEditObject& c) override {
    if (!this->Widget) return;
    Control = &c;
    if (Pending) return;
    const qint64 since = Timer.isValid() ? Timer.elapsed() : RefreshMs;
    if (since >= RefreshMs) {
      Timer.start();
      Refresh(c);
      return;
    }
    Pending = true;
    QTimer::singleShot(static_cast<int>(RefreshMs - since), this->Widget.data(), [this] {
      Pending = false;
      Timer.start();
      Refresh(*Control);
    });
  }

protected:
  virtual void Refresh(const TEditObject& c) = 0;

private:
  const TEditObject* Control = nullptr;
  QElapsedTimer Timer;
  bool Pending = false;
};

class TLabelWidget final : public TThrottledWidget<QLabel> {
public:
  using TThrottledWidget::TThrottledWidget;

protected:
  void Refresh(const TEditObject& c) override {
    // Only what changed is handed on: a display a program updates
    // thousands of times a second mostly changes its text alone.
    const auto& l = static_cast<const TLabelObject&>(c);
    Widget->setText(FromCodePage(l.Text));
    if (Widget->alignment() != AlignmentOf(l.Alignment)) Widget->setAlignment(AlignmentOf(l.Alignment));
    const auto* d = dynamic_cast<const TDisplayObject*>(&l);
    if (d && d->FontSize > 0 && d->FontSize < 1000 && Widget->font().pointSize() != d->FontSize) {
      QFont f = Widget->font();
      f.setPointSize(d->FontSize);
      Widget->setFont(f);
    }
  }
};

class TScrollbarWidget final : public TThrottledWidget<QSlider> {
public:
  using TThrottledWidget::TThrottledWidget;

protected:
  void Refresh(const TEditObject& c) override {
    const auto& s = static_cast<const TScrollbarObject&>(c);
    // A program's change is no operation of the user.
    QSignalBlocker quiet(Widget);
    Widget->setOrientation(s.Orientation == 1 ? Qt::Horizontal : Qt::Vertical);
    Widget->setRange(s.Min, s.Max);
    Widget->setPageStep(s.PageSize);
    Widget->setSingleStep(s.LineSize);
    Widget->setValue(s.Value);
    const int64_t tick = (int64_t{s.Max} - s.Min) / 10;
    Widget->setTickPosition(QSlider::TicksBothSides);
    Widget->setTickInterval(tick > 0 && tick <= INT32_MAX ? static_cast<int>(tick) : 0);
  }
};

class TEditWidget final : public TWidgetOf<TEditCtrlForm> {
public:
  using TWidgetOf::TWidgetOf;
  void Apply(const TEditObject&) override {
    if (Widget) Widget->ApplyProperties();
  }
};

class TButtonWidget final : public TWidgetOf<QPushButton> {
public:
  using TWidgetOf::TWidgetOf;
  void Apply(const TEditObject& c) override {
    if (Widget) Widget->setText(FromCodePage(static_cast<const TButtonObject&>(c).Caption));
  }
};

class TCheckboxWidget final : public TWidgetOf<QCheckBox> {
public:
  using TWidgetOf::TWidgetOf;
  void Apply(const TEditObject& c) override {
    if (!Widget) return;
    const auto& b = static_cast<const TCheckboxObject&>(c);
    QSignalBlocker quiet(Widget);
    Widget->setText(FromCodePage(b.Caption));
    Widget->setChecked(b.Checked);
  }
};

std::unique_ptr<TLiveControl> MakeWidget(TEditObject& c, QWidget* parent) {
  switch (c.GetTypeCode()) {
    case LabelType:
    case DisplayType: {
      auto* w = new QLabel(parent);
      w->setWordWrap(false);
      if (c.GetTypeCode() == DisplayType) {
        // Yellow on black, without the style's own colours.
        static QStyle* const plain = QStyleFactory::create("Fusion");
        w->setStyle(plain);
        w->setAutoFillBackground(true);
        QPalette p = w->palette();
        p.setColor(QPalette::Window, Qt::black);
        p.setColor(QPalette::WindowText, Qt::yellow);
        w->setPalette(p);
      }
      return std::make_unique<TLabelWidget>(w);
    }
    case ScrollbarType: {
      auto* w = new QSlider(parent);
      auto& s = static_cast<TScrollbarObject&>(c);
      QObject::connect(w, &QSlider::valueChanged, w, [&s](int v) {
        s.Value = v;
        s.NotifyChange();
      });
      return std::make_unique<TScrollbarWidget>(w);
    }
    case EditType:
      return std::make_unique<TEditWidget>(new TEditCtrlForm(static_cast<TEditControlObject&>(c), parent));
    case ButtonType: {
      auto* w = new QPushButton(parent);
      auto& b = static_cast<TButtonObject&>(c);
      QObject::connect(w, &QPushButton::pressed, w, [&b] { b.Pressed = true; });
      QObject::connect(w, &QPushButton::released, w, [&b] { b.Pressed = false; });
      QObject::connect(w, &QPushButton::clicked, w, [&b] { b.NotifyChange(); });
      return std::make_unique<TButtonWidget>(w);
    }
    case CheckboxType: {
      auto* w = new QCheckBox(parent);
      auto& b = static_cast<TCheckboxObject&>(c);
      QObject::connect(w, &QCheckBox::clicked, w, [&b](bool checked) {
        b.Checked = checked;
        b.NotifyChange();
      });
      return std::make_unique<TCheckboxWidget>(w);
    }
  }
  return nullptr;
}

template <class W>
QWidget* WidgetIn(TLiveControl* live) {
  auto* w = dynamic_cast<TWidgetOf<W>*>(live);
  return w ? w->Widget.data() : nullptr;
}

}  // namespace

QWidget* ControlWidget(const TEditObject& c) {
  TLiveControl* live = c.GetControl();
  if (!live) return nullptr;
  if (QWidget* w = WidgetIn<QLabel>(live)) return w;
  if (QWidget* w = WidgetIn<QSlider>(live)) return w;
  if (QWidget* w = WidgetIn<TEditCtrlForm>(live)) return w;
  if (QWidget* w = WidgetIn<QPushButton>(live)) return w;
  return WidgetIn<QCheckBox>(live);
}

void PlaceControl(TEditObject& c) {
  QWidget* w = ControlWidget(c);
  if (!w) return;
  const TGridRect& r = c.Bounds;
  w->setGeometry(r.Left * GridSize,
                 r.Top * GridSize,
                 std::max(0, r.Right - r.Left) * GridSize,
                 std::max(0, r.Bottom - r.Top) * GridSize);
  w->show();
}

void CreateControl(TEditObject& c, QWidget* parent) {
  if (c.GetControl()) {
    c.ApplyProperties();
  } else {
    c.SetControl(MakeWidget(c, parent));
  }
  PlaceControl(c);
}

// ---- the edit control's form

TEditCtrlForm::TEditCtrlForm(TEditControlObject& control, QWidget* parent) : QWidget(parent), Control(control) {
  setObjectName("TEditCtrlForm");
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  Edit = new QLineEdit(this);
  Edit->setObjectName("Edit");
  BtnOk = new QToolButton(this);
  BtnOk->setObjectName("BtnOk");
  BtnOk->setText(tr("Ok"));
  BtnOk->setFixedWidth(23);
  BtnOk->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  row->addWidget(Edit, 1);
  row->addWidget(BtnOk, 0);
  connect(Edit, &QLineEdit::textEdited, this, [this] { BtnOk->setEnabled(true); });
  connect(BtnOk, &QToolButton::clicked, this, &TEditCtrlForm::BtnOkClick);
  Edit->installEventFilter(this);
}

void TEditCtrlForm::ApplyProperties() {
  Edit->setText(FromCodePage(Control.Text));
  Edit->setAlignment(AlignmentOf(Control.Alignment));
  BtnOk->setEnabled(false);
}

void TEditCtrlForm::BtnOkClick() {
  Control.Text = ToCodePage(Edit->text());
  Control.NotifyChange();
  BtnOk->setEnabled(false);
}

bool TEditCtrlForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && BtnOk->isEnabled()) {
      BtnOkClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
