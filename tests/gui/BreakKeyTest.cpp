// F4 stops a running program from every kind of window of the program: the
// main window, the plot and output windows, the control window with a
// panel, a GUI editor and its parameter dialog, and modal dialogs (a message
// box and a file dialog) opened while the program runs.

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "ScriptedMainForm.h"
#include "output/qt/GraphicForm.h"
#include "output/qt/OutputForm.h"
#include "panels/qt/ControlForm.h"
#include "panels/qt/ParmForms.h"
#include "panels/qt/UserForm.h"

namespace {

// A button and an edit field.
const char* const PanelFile = "4,1,1,16,5,1,Start\r\n3,1,6,21,9,2,text,0\r\n";

// Activates window and presses F4 in its focused widget (the window itself
// when nothing in it has the focus).
bool PressF4In(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
  QApplication::setActiveWindow(window);
  if (!QTest::qWaitForWindowActive(window)) return false;
  QWidget* target = QApplication::focusWidget();
  if (!target || target->window() != window) target = window;
  QTest::keyClick(target, Qt::Key_F4);
  return true;
}

}  // namespace

class BreakKeyTest : public QObject {
  Q_OBJECT
  QTemporaryDir Dir;
  QString Panel;

  struct TSetup {
    TScriptedMainForm Main;
    TGraphicForm* Plots;
    TOutputForm* Output;
    TSetup() {
      Plots = new TGraphicForm(Main.Form.get());
      Main.Form->SetPlotHost(Plots->Host());
      Output = new TOutputForm(Main.Form.get());
      Main.Form->SetOutputSink(Output->Sink());
    }
  };

  // Starts a program that prints, plots, shows a panel and waits for panel
  // events until it is stopped; true once the panel is up.
  bool StartWaitingProgram(TSetup& s) {
    if (!s.Main.ShowWithFocus(1)) return false;
    s.Main.SetText(1,
                   "println('x'), plot(0;0;x;x;0;1;10), loadgui(0;'" + Panel +
                       "'),\n"
                       "while(1; waitguievent(0))");
    s.Main.Form->ActionStartExecute();
    QElapsedTimer t;
    t.start();
    while (!(s.Main.Form->ControlForm->Panel(0) && s.Plots->isVisible() && s.Output->isVisible()) &&
           t.elapsed() < 10000)
      QTest::qWait(5);
    return s.Main.Form->Running() && s.Main.Form->ControlForm->Panel(0);
  }

private slots:
  void initTestCase() {
    Panel = QDir(Dir.path()).filePath("panel.gui");
    QFile f(Panel);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(PanelFile);
  }

  void fromEveryWindow_data() {
    QTest::addColumn<QString>("window");
    for (const char* w : {"main", "plot", "output", "control", "editor", "parameters"}) QTest::newRow(w) << w;
  }
  void fromEveryWindow() {
    QFETCH(QString, window);
    TSetup s;
    QVERIFY(StartWaitingProgram(s));
    TMainForm& f = *s.Main.Form;
    QWidget* target = nullptr;
    std::unique_ptr<TUserForm> editor;
    if (window == "main") target = &f;
    else if (window == "plot") target = s.Plots;
    else if (window == "output") target = s.Output;
    else if (window == "control") {
      target = f.ControlForm;
      // A click on the panel's button puts the focus there, as the user does.
      auto* button = f.ControlForm->findChild<QPushButton*>();
      QVERIFY(button);
      button->setFocus();
    } else {
      editor = std::make_unique<TUserForm>(&f);
      editor->LoadFile(Panel);
      editor->show();
      target = editor.get();
      if (window == "parameters") {
        editor->ShowParameterDialog(*editor->Model().Panel.Controls.front(), f.geometry().center());
        target = editor->OpenDialog();
        QVERIFY(target);
      }
    }
    QVERIFY(PressF4In(target));
    QVERIFY2(s.Main.WaitIdle(3000), "F4 did not stop the program");
    QCOMPARE(s.Main.Status(), QString("Calculation terminated"));
    QCOMPARE(f.Panel(1)->edtResult->text(), QString("Error: Stopped"));
    if (editor) editor->hide();
  }

  // A modal dialog opened while the program runs: F4 in it stops the
  // program, and the dialog stays open until the user closes it.
  void fromModalDialog_data() {
    QTest::addColumn<bool>("fileDialog");
    QTest::newRow("message box") << false;
    QTest::newRow("file dialog") << true;
  }
  void fromModalDialog() {
    QFETCH(bool, fileDialog);
    TSetup s;
    QVERIFY(StartWaitingProgram(s));
    TMainForm& f = *s.Main.Form;
    bool pressed = false, stopped = false, stillOpen = false;
    QTimer::singleShot(100, &f, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      pressed = PressF4In(modal);
      QElapsedTimer t;
      t.start();
      while (f.Running() && t.elapsed() < 3000) QTest::qWait(5);
      stopped = !f.Running();
      stillOpen = modal->isVisible();
      if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
    });
    if (fileDialog) {
      QFileDialog dlg(s.Output, "Open", Dir.path());
      dlg.setOption(QFileDialog::DontUseNativeDialog);
      dlg.exec();
    } else {
      QMessageBox box(QMessageBox::Question,
                      "The Ostra Calculator",
                      "Continue?",
                      QMessageBox::Yes | QMessageBox::No,
                      f.ControlForm);
      box.exec();
    }
    QVERIFY(pressed);
    QVERIFY2(stopped, "F4 did not stop the program");
    QVERIFY(stillOpen);
    QCOMPARE(s.Main.Status(), QString("Calculation terminated"));
  }

  // Without a run F4 is an ordinary key: an edit field of a dialog still
  // gets it, and nothing starts or stops.
  void idleKeyPassesOn() {
    TSetup s;
    QVERIFY(s.Main.ShowWithFocus(1));
    QLineEdit edit;
    int seen = 0;
    struct TWatch : QObject {
      int* Seen;
      explicit TWatch(int* seen) : Seen(seen) {}
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F4) ++*Seen;
        return false;
      }
    } watch(&seen);
    edit.installEventFilter(&watch);
    QVERIFY(PressF4In(&edit));
    QCOMPARE(seen, 1);
    QVERIFY(!s.Main.Form->Running());
    QCOMPARE(s.Main.Status(), QString());
  }
};

QTEST_MAIN(BreakKeyTest)
#include "BreakKeyTest.moc"
