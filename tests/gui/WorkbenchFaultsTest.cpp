// Faults of the main window a first-time user runs into: the Edit menu
// opened from the keyboard, the about box, the function list, the examples
// of the help panel, the result and status texts around runs and deleted
// panels, the place of the output window and the user manual link.

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "engine/qt/CodePage.h"
#include "output/qt/GraphicForm.h"
#include "output/qt/OutputForm.h"
#include "panels/qt/ControlForm.h"
#include "ScriptedMainForm.h"
#include "workbench/qt/AboutForm.h"
#include "workbench/qt/HelpBrowser.h"
#include "engine/qt/WindowPlacement.h"

namespace {

QMenu* EditMenu(TMainForm& f) {
  for (QAction* a : f.menuBar()->actions())
    if (a->text() == "&Edit") return a->menu();
  return nullptr;
}

// Opens the Edit menu with Alt+E as a user does; the open menu, or null.
QMenu* OpenEditMenuByKey(TMainForm& f) {
  QTest::keyClick(&f, Qt::Key_E, Qt::AltModifier);
  QMenu* menu = EditMenu(f);
  if (!QTest::qWaitFor([&] { return QApplication::activePopupWidget() == menu; })) return nullptr;
  return menu;
}

}  // namespace

class WorkbenchFaultsTest : public QObject {
  Q_OBJECT
  QTemporaryDir Home;

private slots:
  void initTestCase() {
    // Data and settings of the windows stay inside the test's folder.
    qputenv("XDG_DATA_HOME", Home.filePath("data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", Home.filePath("config").toLocal8Bit());
  }

  // Alt+E moves the focus to the menu bar; the items still follow the editor
  // the user typed in, and act on it.
  void editMenuFromKeyboardFollowsTheEditor() {
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    QTest::keyClicks(editor, "12+34");
    QTest::keyClick(editor, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(editor, Qt::Key_Left, Qt::ShiftModifier);
    QGuiApplication::clipboard()->setText("7");

    QMenu* menu = OpenEditMenuByKey(f);
    QVERIFY(menu);
    QVERIFY(f.EditCut1->isEnabled());
    QVERIFY(f.EditCopy1->isEnabled());
    QVERIFY(f.EditPaste1->isEnabled());
    QVERIFY(f.EditSelectAll1->isEnabled());
    QVERIFY(f.EditUndo1->isEnabled());
    QVERIFY(!f.EditRedo1->isEnabled());
    // "&Cut" from the open menu cuts the editor's selection.
    QTest::keyClick(menu, Qt::Key_C);
    QTRY_COMPARE(w.Panel(1)->Text(), QString("12+"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("34"));

    // Undo brings it back; then Redo is offered.
    menu = OpenEditMenuByKey(f);
    QVERIFY(menu);
    QVERIFY(f.EditUndo1->isEnabled());
    QTest::keyClick(menu, Qt::Key_U);
    QTRY_COMPARE(w.Panel(1)->Text(), QString("12+34"));
    menu = OpenEditMenuByKey(f);
    QVERIFY(menu);
    QVERIFY(f.EditRedo1->isEnabled());
    QVERIFY(!f.EditCopy1->isEnabled());  // the undo left no selection
    QTest::keyClick(menu, Qt::Key_Escape);
    QTest::keyClick(f.menuBar(), Qt::Key_Escape);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor));

    // Focus on something that is no edit control: nothing to edit.
    w.Panel(1)->cbRadix->setFocus();
    QTRY_VERIFY(!f.EditPaste1->isEnabled());
    QVERIFY(!f.EditSelectAll1->isEnabled() && !f.EditUndo1->isEnabled());
  }

  void aboutBoxShowsEveryLineWhole() {
    TScriptedMainForm w;
    TAboutForm about(w.Form.get());
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const QList<QLabel*> labels = about.findChildren<QLabel*>();
    QVERIFY(labels.size() >= 6);
    for (QLabel* l : labels) {
      const QString what = l->text().isEmpty() ? QString("logo") : l->text();
      QVERIFY2(l->isVisible(), qPrintable(what));
      QVERIFY2(about.rect().contains(l->geometry()), qPrintable(what));
      if (l->wordWrap()) {
        QVERIFY2(l->height() >= l->heightForWidth(l->width()), qPrintable(what));
      } else {
        QVERIFY2(l->width() >= l->sizeHint().width(), qPrintable(what));
        QVERIFY2(l->height() >= l->sizeHint().height(), qPrintable(what));
      }
      for (QLabel* other : labels)
        if (other != l) QVERIFY2(!l->geometry().intersects(other->geometry()), qPrintable(what));
    }
  }

  void functionListDropsDownTwentyRows() {
    TScriptedMainForm w;
    w.Form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.Form.get()));
    QComboBox* list = w.Form->HelpPanel->csFunctions;
    QVERIFY(list->count() > 40);
    list->showPopup();
    QAbstractItemView* view = list->view();
    QTRY_VERIFY(view->isVisible());
    const int top = view->indexAt(QPoint(2, 2)).row();
    const int bottom = view->indexAt(QPoint(2, view->viewport()->height() - 2)).row();
    list->hidePopup();
    QCOMPARE(bottom - top + 1, 20);
  }

  // What "Copy example" puts on the clipboard is a program the editor
  // accepts: every example parses.
  void everyCopiedExampleParses() {
    TScriptedMainForm w;
    THelpPanel& help = *w.Form->HelpPanel;
    TernioParser::TGUIParser& engine = w.Form->Run->Main();
    QStringList failures;
    int examples = 0;
    for (int i = 1; i < help.csFunctions->count(); ++i) {
      help.csFunctionsChange(i);
      if (!help.BtnInsExample->isEnabled()) continue;
      QGuiApplication::clipboard()->clear();
      QTest::mouseClick(help.BtnInsExample, Qt::LeftButton);
      const QString example = QGuiApplication::clipboard()->text();
      QVERIFY(!example.isEmpty());
      ++examples;
      std::list<TernioParser::TCodePosInfo> tokens;
      engine.SetText(Ostra::ToCodePage(example));
      if (!engine.Parse(&tokens))
        failures << help.csFunctions->itemText(i) + ": " + Ostra::FromCodePage(engine.Message);
    }
    QVERIFY(examples > 50);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
  }

  void resultClearedWhenRunStarts() {
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    w.SetText(1, "6*7");
    f.ActionStartExecute();
    QVERIFY(w.WaitIdle());
    QCOMPARE(w.Panel(1)->edtResult->text(), QString("42"));
    w.SetText(1, "6*8");
    f.ActionStartExecute();
    // The finished notification is still queued: the run is under way.
    QVERIFY(f.Running());
    QCOMPARE(w.Panel(1)->edtResult->text(), QString());
    QVERIFY(w.WaitIdle());
    QCOMPARE(w.Panel(1)->edtResult->text(), QString("48"));
  }

  void statusForgetsDeletedPanel() {
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    w.SetText(1, "1+");
    f.AddCalculatorPanel();
    w.SetText(2, "(2");
    f.BtnShowErrorClick();
    QVERIFY(!w.Status().isEmpty());
    w.Answers << QMessageBox::Yes;
    f.DeletePanel();
    QCOMPARE(f.PanelCount(), 2);
    // Calculator 1 has an error of its own, which Show error would explain;
    // the text about the deleted panel's error is gone.
    QVERIFY(f.SyntaxError());
    QCOMPARE(w.Status(), QString());
  }

  void placeBesideTheMainWindow_data() {
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("taken");  // a window placed before; null: none
    QTest::addColumn<QRect>("expected");
    QTest::newRow("right") << QRect(0, 0, 500, 400) << QSize(300, 200) << QRect() << QRect(504, 0, 300, 200);
    QTest::newRow("left") << QRect(500, 100, 500, 400) << QSize(300, 200) << QRect() << QRect(196, 100, 300, 200);
    QTest::newRow("right, slid up onto the screen")
        << QRect(0, 600, 500, 100) << QSize(300, 200) << QRect() << QRect(504, 500, 300, 200);
    QTest::newRow("below") << QRect(200, 0, 600, 400) << QSize(300, 200) << QRect() << QRect(200, 404, 300, 200);
    QTest::newRow("above") << QRect(200, 300, 600, 400) << QSize(300, 200) << QRect() << QRect(200, 96, 300, 200);
    QTest::newRow("no room: larger side, on screen")
        << QRect(100, 100, 700, 500) << QSize(400, 300) << QRect() << QRect(600, 100, 400, 300);
    QTest::newRow("right, below the window there")
        << QRect(0, 0, 500, 600) << QSize(300, 200) << QRect(504, 0, 300, 250) << QRect(504, 254, 300, 200);
    QTest::newRow("right taken up: left")
        << QRect(300, 0, 400, 600) << QSize(250, 200) << QRect(704, 0, 296, 700) << QRect(46, 0, 250, 200);
  }

  void placeBesideTheMainWindow() {
    QFETCH(QRect, main);
    QFETCH(QSize, size);
    QFETCH(QRect, taken);
    QFETCH(QRect, expected);
    const QList<QRect> others = taken.isNull() ? QList<QRect>() : QList<QRect>{taken};
    QCOMPARE(TWindowPlacement::BesideRect(main, size, QRect(0, 0, 1000, 700), others), expected);
  }

  // Window > Output Window and Plots bring those windows back after they
  // were closed, in front; Controls while a program has a panel loaded.
  void windowMenuBringsWindowsBack() {
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    TOutputForm output(&f);
    TGraphicForm plots(&f);
    f.OutputWindow = &output;
    f.PlotWindow = &plots;
    QVERIFY(w.ShowWithFocus(1));
    emit f.WindowMenu->aboutToShow();
    QVERIFY(f.ActShowOutput->isEnabled() && f.ActShowPlots->isEnabled());
    QVERIFY(!f.ActShowControls->isEnabled());
    output.show();
    output.close();
    QVERIFY(!output.isVisible());
    f.ActShowOutput->trigger();
    QVERIFY(output.isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), &output);
    f.ActShowPlots->trigger();
    QVERIFY(plots.isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), &plots);
    // A loaded panel, its window closed by the user.
    QTemporaryDir dir;
    QFile gui(dir.filePath("p.gui"));
    QVERIFY(gui.open(QIODevice::WriteOnly));
    gui.write("4,1,1,16,5,1,Go\r\n");
    gui.close();
    TernioParser::TEvent event(false);
    auto load = std::make_unique<TernioParser::TCreatePanelInfo>();
    load->FileName = gui.fileName().toStdString();
    load->Event = &event;
    QVERIFY(f.ControlForm->LoadPanel(std::move(load)));
    f.ControlForm->close();
    emit f.WindowMenu->aboutToShow();
    QVERIFY(f.ActShowControls->isEnabled());
    f.ActShowControls->trigger();
    QVERIFY(f.ControlForm->isVisible());
    f.ControlForm->CloseAllPanels();
  }

  // The real output window: beside the main window on its first show, and
  // where the user left it at the next start.
  void outputWindowOpensBesideAndRemembersItsPlace() {
    QSettings().remove("OutputWindow");
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    const QRect screen = f.screen()->availableGeometry();
    f.resize(f.minimumSize());
    f.move(screen.topLeft());
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    {
      TOutputForm output(&f);
      new TWindowPlacement(&output, &f, "OutputWindow");
      output.resize(240, 200);
      output.Sink()->Write("x", true);  // the window shows itself
      QTRY_VERIFY(output.isVisible());
      QVERIFY(!output.frameGeometry().intersects(f.frameGeometry()));
      QVERIFY(screen.contains(output.frameGeometry()));
      output.move(screen.topLeft() + QPoint(30, 40));
      QTRY_COMPARE(output.pos(), screen.topLeft() + QPoint(30, 40));
    }
    TOutputForm again(&f);
    new TWindowPlacement(&again, &f, "OutputWindow");
    again.show();
    QTRY_VERIFY(again.isVisible());
    QCOMPARE(again.pos(), screen.topLeft() + QPoint(30, 40));
  }

  void userManualSaysWhereItIs() {
    QTemporaryDir dir;
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    f.ManualPath = dir.filePath("ostracalc.pdf");
    // Not there.
    f.Action1->trigger();
    QVERIFY(w.Opened.isEmpty());
    QCOMPARE(w.Questions.size(), 1);
    QVERIFY(w.Questions[0].Text.contains(f.ManualPath));
    // There, but no viewer takes it.
    QFile pdf(f.ManualPath);
    QVERIFY(pdf.open(QIODevice::WriteOnly));
    pdf.close();
    w.UrlsOpen = false;
    f.Action1->trigger();
    QCOMPARE(w.Opened, QList<QUrl>{QUrl::fromLocalFile(f.ManualPath)});
    QCOMPARE(w.Questions.size(), 2);
    QVERIFY(w.Questions[1].Text.contains(f.ManualPath));
    // Shown: nothing to say.
    w.UrlsOpen = true;
    f.Action1->trigger();
    QCOMPARE(w.Opened.size(), 2);
    QCOMPARE(w.Questions.size(), 2);
  }
};

QTEST_MAIN(WorkbenchFaultsTest)
#include "WorkbenchFaultsTest.moc"
