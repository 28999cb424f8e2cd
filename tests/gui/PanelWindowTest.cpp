// The control window with real widgets, driven by programs on the real
// calculation thread: loading, pages and names, user operations waking
// waitguievent, Break, the end-of-run closing, and the cost of a property
// round trip.

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <mutex>

#include "WindowRunner.h"
#include "panels/qt/ControlForm.h"
#include "panels/qt/PanelWidgets.h"
#include "panels/qt/UserForm.h"
#include "workbench/Libraries.h"

using namespace TernioParser;

namespace {

const char* const PanelFile =
    "0,1,1,21,3,1,Speed,0\r\n"
    "1,1,4,21,9,2,\"12 mV\",1,20\r\n"
    "2,30,0,35,25,3,0,200,10,1,120,0\r\n"
    "3,1,10,31,13,4,start,0\r\n"
    "4,1,14,16,18,5,Start\r\n"
    "5,1,19,16,21,6,Heater,unchecked\r\n";

class TLines final : public TOutputSink {
public:
  void Write(const std::string& text, bool newline) override {
    std::lock_guard<std::mutex> g(Lock);
    Text += text;
    if (newline) Text += '\n';
  }
  void Clear() override {}
  std::string Get() {
    std::lock_guard<std::mutex> g(Lock);
    return Text;
  }

private:
  std::mutex Lock;
  std::string Text;
};

// The control window as the panel host of the runs.
class TRunner : public TWindowRunner {
public:
  explicit TRunner(TControlForm& form) : Host(&form) {
    TWindowRunner::Host().Output = &Output;
    TWindowRunner::Host().Panels = &Host;
  }
  ~TRunner() override { EndThread(); }
  // The outcome, waiting at most timeoutMs for the run to end.
  QString Finish(int timeoutMs = 10000) { return Wait(timeoutMs) ? Outcome() : "(still running)"; }
  QString Run(const std::string& program) { return Start(program) ? Finish() : "(parse error)"; }

  TControlWindowHost Host;
  TLines Output;
};

template <class W>
W* WidgetOfId(TControlForm& form, int panel, int id) {
  TUserForm* p = form.Panel(panel);
  if (!p) return nullptr;
  Ostra::TEditObject* c = p->Model().Panel.Find(id);
  return c ? qobject_cast<W*>(ControlWidget(*c)) : nullptr;
}

}  // namespace

class PanelWindowTest : public QObject {
  Q_OBJECT
  QTemporaryDir Dir;
  std::string File;
  std::unique_ptr<TControlForm> Form;
  std::unique_ptr<TRunner> Runner;

  std::string Load(int panel = 0) { return "loadgui(" + std::to_string(panel) + ";'" + File + "')"; }
  // Waits until the program has shown panel 0.
  bool WaitForPanel() {
    QElapsedTimer t;
    t.start();
    while (!(Form->Panel(0) && Form->Panel(0)->Model().Mode() == Ostra::TEditorModel::Running) && t.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return Form->Panel(0) != nullptr;
  }

private slots:
  void initTestCase() {
    File = QDir(Dir.path()).filePath("panel.gui").toStdString();
    QFile f(QString::fromStdString(File));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(PanelFile);
  }
  void init() {
    Form = std::make_unique<TControlForm>();
    Runner = std::make_unique<TRunner>(*Form);
  }
  void cleanup() {
    Runner.reset();
    Form.reset();
  }

  void pagesAndNames() {
    // Direct requests on the window's thread.
    TEvent event(false);
    auto load = [&](int32_t n) {
      auto r = std::make_unique<TCreatePanelInfo>();
      r->Panel = n;
      r->FileName = File;
      r->Event = &event;
      return Runner->Host.LoadPanel(std::move(r));
    };
    QVERIFY(load(0));
    QCOMPARE(Form->windowTitle(), QString("Ostra Calculator Controls"));
    QVERIFY(Form->isVisible());
    QCOMPARE(Form->PageControl->count(), 1);
    QVERIFY(!Form->PageControl->tabBar()->isVisible());
    QVERIFY(load(2));
    QCOMPARE(Form->PageControl->count(), 3);
    QCOMPARE(Form->PageControl->tabText(0), QString("Panel 1"));
    QCOMPARE(Form->PageControl->tabText(1), QString("Panel 2"));
    QCOMPARE(Form->PageControl->tabText(2), QString("Panel 3"));
    QVERIFY(Form->PageControl->tabBar()->isVisible());
    QCOMPARE(Form->PageControl->currentIndex(), 2);
    QVERIFY(Form->Panel(1) == nullptr);
    QVERIFY(!load(256));
    QCOMPARE(Form->PageControl->count(), 3);

    Runner->Host.CloseAllPanels();
    QVERIFY(!Form->isVisible());
    QCOMPARE(Form->PageControl->count(), 0);

    Runner->Host.NamePanel(1, "Motors \xe9");
    QVERIFY(load(1));
    QCOMPARE(Form->PageControl->tabText(1), QString::fromUtf8("Motors é"));
    QCOMPARE(Form->PageControl->tabText(0), QString("Panel 1"));
    // The widgets stand on the 7-pixel grid.
    QLabel* label = WidgetOfId<QLabel>(*Form, 1, 1);
    QVERIFY(label);
    QCOMPARE(label->geometry(), QRect(7, 7, 140, 14));
    QCOMPARE(label->text(), QString("Speed"));
    QSlider* bar = WidgetOfId<QSlider>(*Form, 1, 3);
    QVERIFY(bar);
    QCOMPARE(bar->value(), 120);
    QCOMPARE(bar->orientation(), Qt::Vertical);
    QCOMPARE(bar->tickInterval(), 20);
    Runner->Host.CloseAllPanels();
  }

  void propertiesFromAProgram() {
    QCOMPARE(Runner->Run(Load() + ", setproperty(0;1;0;'Fast'), setproperty(0;3;0;33),"
                                  " setproperty(0;6;1;1), getproperty(0;1;0)+' '+string(getproperty(0;3;0))"
                                  "+' '+string(getproperty(0;6;1))+' '+string(haschanged(0;3))"),
             QString("Fast 33 -1 0"));
    // After the run the window is hidden and its pages are gone.
    QVERIFY(!Form->isVisible());
    QCOMPARE(Form->PageControl->count(), 0);
    QCOMPARE(Runner->Run("getproperty(0;1;0)"), QString("0"));
    QCOMPARE(Runner->Run("setproperty(0;1;0;'x')"), QString("0"));
  }

  void clicksBeforeTheWaitGiveOneEvent() {
    QVERIFY(Runner->Start(Load() +
                          ",\nwhile(getproperty(0;6;1)==0; sleep(5)),\n"
                          "a=waitguievent(0), b=waitguievent(200),\n"
                          "string(a)+' '+string(b)+' '+string(haschanged(0;5))+' '+string(haschanged(0;5))"));
    QVERIFY(WaitForPanel());
    QPushButton* button = WidgetOfId<QPushButton>(*Form, 0, 5);
    QCheckBox* box = WidgetOfId<QCheckBox>(*Form, 0, 6);
    QVERIFY(button && box);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(Runner->Finish(), QString("-1 0 -1 0"));
  }

  void userValuesReachTheProgram() {
    QVERIFY(Runner->Start(Load() + ",\nwaitguievent(0), waitguievent(0),\n"
                                   "string(getproperty(0;3;0))+' '+getproperty(0;4;0)+' '+string(haschanged(0;3))"
                                   "+string(haschanged(0;4))+string(haschanged(0;4))"));
    QVERIFY(WaitForPanel());
    QSlider* bar = WidgetOfId<QSlider>(*Form, 0, 3);
    auto* edit = WidgetOfId<TEditCtrlForm>(*Form, 0, 4);
    QVERIFY(bar && edit);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QTRY_VERIFY(Runner->CalcInfo().PanelEvent.IsSet() == false);
    // The edit's "Ok" comes on with typing; Enter takes the text over.
    QVERIFY(!edit->BtnOk->isEnabled());
    edit->Edit->setFocus();
    QTest::keyClicks(edit->Edit, "ed");
    QVERIFY(edit->BtnOk->isEnabled());
    QTest::keyClick(edit->Edit, Qt::Key_Return);
    QVERIFY(!edit->BtnOk->isEnabled());
    QCOMPARE(Runner->Finish(), QString("130 started -1-10"));
  }

  void breakEndsTheWaitAndClosesThePanels() {
    QVERIFY(Runner->Start(Load() + ",\nwhile(waitguievent(0);\n println('GUI Event...')\n)\n"));
    QVERIFY(WaitForPanel());
    QTest::mouseClick(WidgetOfId<QPushButton>(*Form, 0, 5), Qt::LeftButton);
    QTRY_COMPARE(Runner->Output.Get(), std::string("GUI Event...\n"));
    QElapsedTimer t;
    t.start();
    Runner->Break();
    QCOMPARE(Runner->Finish(), QString("!Stopped"));
    QVERIFY(t.elapsed() < 500);
    QVERIFY(!Form->isVisible());
    QCOMPARE(Form->PageControl->count(), 0);
  }

  void timedWait() {
    QElapsedTimer t;
    t.start();
    QCOMPARE(Runner->Run(Load() + ", waitguievent(500)"), QString("0"));
    QVERIFY(t.elapsed() >= 495);
    QVERIFY(t.elapsed() < 2000);
  }

  void aClickWakesTheWaitQuickly() {
    QVERIFY(Runner->Start(Load() + ", t=0, waitguievent(0)"));
    QVERIFY(WaitForPanel());
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(WidgetOfId<QPushButton>(*Form, 0, 5), Qt::LeftButton);
    QCOMPARE(Runner->Finish(), QString("-1"));
    qInfo("click to the end of waitguievent: %lld ms", static_cast<long long>(t.elapsed()));
    QVERIFY(t.elapsed() < 50);
  }

  void fileNextToTheDocument() {
    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());
    Form->DocumentPath = [this] { return QDir(Dir.path()).filePath("macro.sma"); };
    QCOMPARE(Runner->Run("loadgui(0;'panel.gui'), getproperty(0;1;0)"), QString("Speed"));
    Form->DocumentPath = nullptr;
    QCOMPARE(Runner->Run("loadgui(0;'panel.gui'), getproperty(0;1;0)"), QString("0"));
    QDir::setCurrent(previous);
  }

  void propertyRoundTripCost() {
    // A display updated as fast as the program can: each request waits for
    // the window, and the window shows the last value.
    const int n = 5000;
    QElapsedTimer t;
    t.start();
    QCOMPARE(Runner->Run(Load() + ", for(i=0;i<" + std::to_string(n) +
                         ";i+=1; setproperty(0;2;0;i), getproperty(0;3;0)), getproperty(0;2;0)"),
             QString::number(n - 1));
    const double us = t.nsecsElapsed() / 1000.0 / (2.0 * n);
    qInfo("setproperty/getproperty round trip: %.1f us", us);
    QVERIFY(us < 100);

    QVERIFY(Runner->Start(Load() + ", for(i=0;i<1000;i+=1; setproperty(0;2;0;i)), waitguievent(0)"));
    QVERIFY(WaitForPanel());
    QTRY_COMPARE(WidgetOfId<QLabel>(*Form, 0, 2)->text(), QString("999"));
    Runner->Break();
    QCOMPARE(Runner->Finish(), QString("!Stopped"));
  }
};

QTEST_MAIN(PanelWindowTest)
#include "PanelWindowTest.moc"
