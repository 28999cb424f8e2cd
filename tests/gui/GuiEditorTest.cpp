// The GUI editor driven by synthesized mouse events on its drawing area:
// placing, moving and resizing on the grid, selection, duplicate, delete,
// the parameter dialogs, test mode, saving and closing; and the main
// window's two GUI actions.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "panels/qt/PanelWidgets.h"
#include "panels/qt/ParmForms.h"
#include "panels/qt/UserForm.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/MainForm.h"

using namespace Ostra;

namespace {

void Send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
void Press(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) { Send(w, QEvent::MouseButtonPress, p, b, b); }
void DoubleClick(QWidget* w, QPoint p) { Send(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton); }
void Move(QWidget* w, QPoint p, Qt::MouseButtons held = Qt::LeftButton) {
  Send(w, QEvent::MouseMove, p, Qt::NoButton, held);
}
void Release(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
  Send(w, QEvent::MouseButtonRelease, p, b, Qt::NoButton);
}
void Click(QWidget* w, QPoint p) {
  Press(w, p);
  Release(w, p);
}
void Leave(QWidget* w) {
  QEvent e(QEvent::Leave);
  QApplication::sendEvent(w, &e);
}

std::string ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "(missing)";
  return f.readAll().toStdString();
}
void WriteAll(const QString& path, const std::string& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

}  // namespace

class GuiEditorTest : public QObject {
  Q_OBJECT
  QTemporaryDir Dir;
  std::unique_ptr<TUserForm> Form;
  QString Path(const QString& name) { return QDir(Dir.path()).filePath(name); }
  QWidget* Box() { return Form->PaintBox; }
  TEditObject& At(size_t i) { return *Form->Model().Panel.Controls.at(i); }
  // An editor on the file, shown.
  void Open(const QString& name, const std::string& bytes = "") {
    if (!bytes.empty()) WriteAll(Path(name), bytes);
    Form = std::make_unique<TUserForm>();
    QVERIFY(Form->LoadFile(Path(name)));
    Form->resize(700, 500);
    Form->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form.get()));
  }
  void Place(QPushButton* newButton, QPoint at) {
    newButton->click();
    QCOMPARE(Form->Model().Mode(), TEditorModel::Placing);
    QVERIFY(newButton->isChecked());
    Move(Box(), at, Qt::NoButton);
    Press(Box(), at);
    Release(Box(), at);
  }

private slots:
  void init() {
    GuiDialogs().Ask = [](QWidget*, QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
      return QMessageBox::Ok;
    };
  }
  void cleanup() { Form.reset(); }

  void placingTakesTheSmallestFreeId() {
    Open("place.gui");
    QCOMPARE(Form->windowTitle(), "GUI Editor - " + Path("place.gui"));
    Place(Form->BtnAddLabel, QPoint(30, 16));
    QCOMPARE(Form->Model().Mode(), TEditorModel::Idle);
    QVERIFY(!Form->BtnAddLabel->isChecked());
    QCOMPARE(Form->Model().Panel.Controls.size(), size_t(1));
    QVERIFY(At(0).Bounds == (TGridRect{4, 2, 24, 4}));
    QCOMPARE(At(0).ID, 1);
    Place(Form->BtnAddScrollbar, QPoint(300, 10));
    QCOMPARE(At(1).ID, 2);
    QVERIFY(At(1).Bounds == (TGridRect{42, 1, 47, 26}));
    // Select the label and delete it with the Delete key: the next new
    // control gets ID 1 again.
    Click(Box(), QPoint(60, 20));
    QCOMPARE(Form->Model().Mode(), TEditorModel::Selecting);
    QVERIFY(Form->BtnDelete->isEnabled() && Form->BtnDupl->isEnabled());
    QTest::keyClick(Form.get(), Qt::Key_Delete);
    QCOMPARE(Form->Model().Panel.Controls.size(), size_t(1));
    QCOMPARE(Form->Model().Mode(), TEditorModel::Idle);
    Place(Form->BtnAddButton, QPoint(7, 200));
    QCOMPARE(At(1).ID, 1);
    QCOMPARE(At(1).GetTypeCode(), ButtonType);
  }

  void rightClickCancelsPlacing() {
    Open("cancel.gui");
    Form->BtnAddDisplay->click();
    QVERIFY(Form->BtnAddDisplay->isChecked());
    Press(Box(), QPoint(50, 50), Qt::RightButton);
    QCOMPARE(Form->Model().Mode(), TEditorModel::Idle);
    QVERIFY(!Form->BtnAddDisplay->isChecked());
    QVERIFY(Form->Model().Panel.Controls.empty());
    // Leaving the drawing area cancels it too.
    Form->BtnAddEdit->click();
    Leave(Box());
    QCOMPARE(Form->Model().Mode(), TEditorModel::Idle);
    QVERIFY(!Form->BtnAddEdit->isChecked());
  }

  void movesOnTheGrid() {
    Open("move.gui", "0,2,2,22,4,1,x,0\r\n");
    // Press inside (not on a handle), drag 6 pixels: no move; 7 pixels: one unit.
    Press(Box(), QPoint(40, 21));
    QCOMPARE(Form->Model().Mode(), TEditorModel::PressedOnControl);
    Move(Box(), QPoint(46, 21));
    QCOMPARE(Form->Model().Mode(), TEditorModel::MovingControl);
    QVERIFY(At(0).Bounds == (TGridRect{2, 2, 22, 4}));
    Move(Box(), QPoint(47, 21));
    QVERIFY(At(0).Bounds == (TGridRect{3, 2, 23, 4}));
    Move(Box(), QPoint(47, 35));
    Release(Box(), QPoint(47, 35));
    QCOMPARE(Form->Model().Mode(), TEditorModel::Idle);
    QVERIFY(At(0).Bounds == (TGridRect{3, 4, 23, 6}));
    // Less than 5 pixels is a click, which selects.
    Press(Box(), QPoint(60, 35));
    Move(Box(), QPoint(62, 37));
    QCOMPARE(Form->Model().Mode(), TEditorModel::PressedOnControl);
    Release(Box(), QPoint(62, 37));
    QCOMPARE(Form->Model().Mode(), TEditorModel::Selecting);
    QVERIFY(Form->Model().Selection().count(&At(0)));
  }

  void resizesByHandles() {
    Open("resize.gui", "0,2,2,22,4,1,x,0\r\n");
    // Handle 4 (middle right) at (154, 21); drag it left of the left edge.
    QCOMPARE(TEditorModel::HitTest(At(0), {154, 21}), 4);
    QCOMPARE(TEditorModel::HitTest(At(0), {14, 14}), 0);
    QCOMPARE(TEditorModel::HitTest(At(0), {84, 27}), 6);
    QCOMPARE(TEditorModel::HitTest(At(0), {50, 20}), 8);
    QCOMPARE(TEditorModel::HitTest(At(0), {200, 20}), 9);
    // Hovering shows the handles and the pointer shape of the hit.
    const struct {
      QPoint At;
      Qt::CursorShape Shape;
    } shapes[] = {{{14, 14}, Qt::SizeFDiagCursor},
                  {{84, 14}, Qt::SizeVerCursor},
                  {{154, 14}, Qt::SizeBDiagCursor},
                  {{154, 21}, Qt::SizeHorCursor},
                  {{50, 20}, Qt::SizeAllCursor},
                  {{300, 200}, Qt::ArrowCursor}};
    for (const auto& c : shapes) {
      Move(Box(), c.At, Qt::NoButton);
      QCOMPARE(Box()->cursor().shape(), c.Shape);
    }
    Move(Box(), QPoint(12, 12), Qt::NoButton);
    QVERIFY(At(0).Hovered);
    Move(Box(), QPoint(300, 200), Qt::NoButton);
    QVERIFY(!At(0).Hovered);
    Press(Box(), QPoint(154, 21));
    QCOMPARE(Form->Model().Mode(), TEditorModel::ResizingControl);
    Move(Box(), QPoint(3, 21));
    Release(Box(), QPoint(3, 21));
    QVERIFY(At(0).Bounds == (TGridRect{2, 2, 0, 4}));
    // Leaving the drawing area while resizing restores the rectangle.
    Press(Box(), QPoint(14, 28));  // handle 5, bottom left of the inverted box
    QCOMPARE(Form->Model().Mode(), TEditorModel::ResizingControl);
    Move(Box(), QPoint(100, 100));
    QVERIFY(!(At(0).Bounds == (TGridRect{2, 2, 0, 4})));
    Leave(Box());
    QCOMPARE(Form->Model().Mode(), TEditorModel::Idle);
    QVERIFY(At(0).Bounds == (TGridRect{2, 2, 0, 4}));
  }

  void rubberBandAndGroupMove() {
    Open("band.gui", "0,2,2,10,4,1,a,0\r\n0,2,6,10,8,2,b,0\r\n0,20,2,30,4,3,c,0\r\n");
    Press(Box(), QPoint(5, 5));
    Move(Box(), QPoint(8, 7));
    QCOMPARE(Form->Model().Mode(), TEditorModel::RubberBand);
    QVERIFY(Form->Model().BandSet().empty());
    Move(Box(), QPoint(80, 60));
    QCOMPARE(Form->Model().BandSet().size(), size_t(2));
    Release(Box(), QPoint(80, 60));
    QCOMPARE(Form->Model().Mode(), TEditorModel::Selecting);
    QCOMPARE(Form->Model().Selection().size(), size_t(2));
    // Press inside a selected control and move both by two cells.
    Press(Box(), QPoint(30, 20));
    QCOMPARE(Form->Model().Mode(), TEditorModel::MovingSelection);
    Move(Box(), QPoint(44, 20));
    Release(Box(), QPoint(44, 20));
    QCOMPARE(Form->Model().Mode(), TEditorModel::Selecting);
    QVERIFY(At(0).Bounds == (TGridRect{4, 2, 12, 4}));
    QVERIFY(At(1).Bounds == (TGridRect{4, 6, 12, 8}));
    QVERIFY(At(2).Bounds == (TGridRect{20, 2, 30, 4}));
    // A press outside the selection clears it.
    Press(Box(), QPoint(400, 300));
    Release(Box(), QPoint(400, 300));
    QVERIFY(Form->Model().Selection().empty());
  }

  void duplicateFollowsThePointer() {
    Open("dup.gui", "0,0,0,10,2,3,three,2\r\n4,0,4,15,8,8,\"go on\"\r\n0,20,20,30,22,5,five,0\r\n");
    // Select 3 and 8 with a band from empty space.
    Press(Box(), QPoint(120, 100));
    Move(Box(), QPoint(60, 50));
    Move(Box(), QPoint(0, 0));
    Release(Box(), QPoint(0, 0));
    QCOMPARE(Form->Model().Selection().size(), size_t(2));
    Form->BtnDupl->click();
    QCOMPARE(Form->Model().Mode(), TEditorModel::MovingSelection);
    QCOMPARE(Form->Model().Panel.Controls.size(), size_t(5));
    QCOMPARE(At(3).ID, 9);
    QCOMPARE(At(4).ID, 10);
    QCOMPARE(dynamic_cast<TLabelObject&>(At(3)).Alignment, 2);
    QCOMPARE(dynamic_cast<TButtonObject&>(At(4)).Caption, std::string("go on"));
    QVERIFY(Form->Model().Selection().count(&At(3)) && Form->Model().Selection().count(&At(4)));
    // The copies follow the pointer until the next release.
    Move(Box(), QPoint(70, 140), Qt::NoButton);
    QVERIFY(At(3).Bounds == (TGridRect{10, 20, 20, 22}));
    QVERIFY(At(4).Bounds == (TGridRect{10, 24, 25, 28}));
    Release(Box(), QPoint(70, 140));
    QCOMPARE(Form->Model().Mode(), TEditorModel::Selecting);
    QVERIFY(At(0).Bounds == (TGridRect{0, 0, 10, 2}));
  }

  void parameterDialogWritesBackWhenHidden() {
    Open("dialog.gui", "0,2,2,22,4,1,old,0\r\n2,30,0,35,25,2,0,100,10,1,50,0\r\n");
    Click(Box(), QPoint(60, 20));
    DoubleClick(Box(), QPoint(60, 20));
    auto* dlg = qobject_cast<TLabelParmForm*>(Form->OpenDialog());
    QVERIFY(dlg);
    QCOMPARE(dlg->windowTitle(), QString("Label Parameters"));
    QCOMPARE(dlg->edtId->text(), QString("1"));
    QCOMPARE(dlg->edtText->text(), QString("old"));
    QCOMPARE(Form->Model().Mode(), TEditorModel::Idle);
    QVERIFY(Form->Model().Selection().empty());
    dlg->edtText->setText("Set point");
    dlg->edtId->setText("7");
    dlg->RGAlign->button(1)->setChecked(true);
    dlg->BtnOk->click();
    auto& label = dynamic_cast<TLabelObject&>(At(0));
    QCOMPARE(label.Text, std::string("Set point"));
    QCOMPARE(label.ID, 7);
    QCOMPARE(label.Alignment, 1);
    // A negative ID is refused; a text that is no number gives 0.
    Click(Box(), QPoint(60, 20));
    DoubleClick(Box(), QPoint(60, 20));
    dlg = qobject_cast<TLabelParmForm*>(Form->OpenDialog());
    QVERIFY(dlg);
    dlg->edtId->setText("-4");
    dlg->close();
    QCOMPARE(label.ID, 7);
    Click(Box(), QPoint(60, 20));
    DoubleClick(Box(), QPoint(60, 20));
    dlg = qobject_cast<TLabelParmForm*>(Form->OpenDialog());
    dlg->edtId->setText("x");
    // A press in the drawing area removes the dialog, which writes back.
    Press(Box(), QPoint(400, 300));
    Release(Box(), QPoint(400, 300));
    QVERIFY(!Form->OpenDialog());
    QCOMPARE(label.ID, 0);
    // Scrollbar fields that are no numbers stay.
    Click(Box(), QPoint(230, 100));
    DoubleClick(Box(), QPoint(230, 100));
    auto* bar = qobject_cast<TScrollbarParmForm*>(Form->OpenDialog());
    QVERIFY(bar);
    QCOMPARE(bar->windowTitle(), QString("Scrollbar Properties"));
    bar->EdtMax->setText("250");
    bar->EdtMin->setText("low");
    bar->RGOrient->button(1)->setChecked(true);
    bar->BtnOk->click();
    auto& s = dynamic_cast<TScrollbarObject&>(At(1));
    QCOMPARE(s.Max, 250);
    QCOMPARE(s.Min, 0);
    QCOMPARE(s.Orientation, 1);
  }

  void testModeShowsLiveWidgets() {
    Open("test.gui", "4,1,1,16,5,1,Go\r\n5,1,6,16,8,2,Box,unchecked\r\n");
    Form->BtnTest->click();
    QCOMPARE(Form->Model().Mode(), TEditorModel::Testing);
    QVERIFY(Form->BtnTest->isChecked());
    auto* button = qobject_cast<QPushButton*>(ControlWidget(At(0)));
    QVERIFY(button);
    QCOMPARE(button->geometry(), QRect(7, 7, 105, 28));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(At(0).Changed);
    // Presses on the drawing area do nothing in test mode.
    Press(Box(), QPoint(300, 300));
    QCOMPARE(Form->Model().Mode(), TEditorModel::Testing);
    Form->BtnTest->click();
    QCOMPARE(Form->Model().Mode(), TEditorModel::Idle);
    QVERIFY(ControlWidget(At(0)) == nullptr);
  }

  void saveAndClose() {
    Open("save.gui");
    Place(Form->BtnAddCheckbox, QPoint(14, 14));
    Form->BtnSave->click();
    QCOMPARE(ReadAll(Path("save.gui")), std::string("5,2,2,17,4,1,CheckBox,unchecked\r\n"));
    // Closing writes without asking.
    Place(Form->BtnAddLabel, QPoint(14, 70));
    QVERIFY(Form->close());
    QCOMPARE(ReadAll(Path("save.gui")),
             std::string("5,2,2,17,4,1,CheckBox,unchecked\r\n0,2,10,22,12,2,\"<no text entered>\",0\r\n"));
  }

  void closeAfterAFailedSave() {
    Open("gone/x.gui");
    Place(Form->BtnAddLabel, QPoint(14, 14));
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    GuiDialogs().Ask =
        [&](QWidget*, QMessageBox::Icon, const QString& title, const QString& text, QMessageBox::StandardButtons) {
          asked << title + ": " + text;
          return answer;
        };
    // Save reports the failure.
    Form->BtnSave->click();
    QCOMPARE(asked, QStringList{"Ostra Calculator: Error writing file!"});
    asked.clear();
    // Cancel, then cancelling the save dialog keeps the editor open.
    QString preset;
    GuiDialogs().SaveAs = [&](QWidget*, const QString& p) {
      preset = p;
      return QString();
    };
    QVERIFY(!Form->close());
    QCOMPARE(asked, QStringList{"GUI Editor: Cannot save file, close anyway?"});
    QCOMPARE(preset, Path("gone/x.gui"));
    // A file chosen in the save dialog is written, and the editor closes.
    GuiDialogs().SaveAs = [&](QWidget*, const QString&) { return Path("chosen.gui"); };
    QVERIFY(Form->close());
    QCOMPARE(ReadAll(Path("chosen.gui")), std::string("0,2,2,22,4,1,\"<no text entered>\",0\r\n"));
    // OK closes without writing.
    Open("gone/y.gui");
    answer = QMessageBox::Ok;
    QVERIFY(Form->close());
  }

  void refusesFilesOfTooManyRows() {
    std::string rows;
    for (int i = 0; i < 4097; ++i) rows += "0,0,0,20,2,1,x,0\r\n";
    WriteAll(Path("big.gui"), rows);
    GuiDialogs().OpenOrCreate = [this](QWidget*) { return Path("big.gui"); };
    QVERIFY(TUserForm::OpenEditor(nullptr) == nullptr);
    GuiDialogs().OpenOrCreate = [](QWidget*) { return QString(); };
    QVERIFY(TUserForm::OpenEditor(nullptr) == nullptr);
    GuiDialogs().OpenOrCreate = [this](QWidget*) { return Path("new.gui"); };
    TUserForm* a = TUserForm::OpenEditor(nullptr);
    TUserForm* b = TUserForm::OpenEditor(nullptr);
    QVERIFY(a && b && a != b && a->isVisible() && b->isVisible());
    delete a;
    delete b;
  }

  void repaintOf500Controls() {
    std::string rows;
    for (int i = 0; i < 500; ++i)
      rows += "0," + std::to_string(i % 25 * 4) + "," + std::to_string(i / 25 * 3) + "," +
              std::to_string(i % 25 * 4 + 4) + "," + std::to_string(i / 25 * 3 + 2) + "," + std::to_string(i + 1) +
              ",label,0\r\n";
    Open("many.gui", rows);
    Form->resize(800, 600);
    QImage image(Box()->size(), QImage::Format_ARGB32);
    QElapsedTimer t;
    t.start();
    const int n = 20;
    for (int i = 0; i < n; ++i) Box()->render(&image);
    const double ms = t.nsecsElapsed() / 1e6 / n;
    qInfo("repaint of 500 controls: %.2f ms", ms);
    QVERIFY(ms < 50);
  }

  void mainWindowActions() {
    TMainForm main;
    main.show();
    QVERIFY(main.Action3->isEnabled() && main.Action4->isEnabled());
    WriteAll(Path("ins.gui"), "4,1,1,16,5,1,Go\r\n");
    GuiDialogs().SelectToInsert = [this](QWidget*) { return Path("ins.gui"); };
    QPlainTextEdit* memo = main.CurrentPanel()->MemoEdit;
    memo->setPlainText("a=1,\nXX");
    QTextCursor c = memo->textCursor();
    c.setPosition(5);
    c.setPosition(7, QTextCursor::KeepAnchor);
    memo->setTextCursor(c);
    main.Action4->trigger();
    QCOMPARE(memo->toPlainText(),
             "a=1,\nloadgui(0;'" + Path("ins.gui") + "'),\nwhile(waitguievent(0);\n println('GUI Event...')\n)\n");
    memo->undo();
    QCOMPARE(memo->toPlainText(), QString("a=1,\nXX"));

    GuiDialogs().OpenOrCreate = [this](QWidget*) { return Path("ins.gui"); };
    main.Action3->trigger();
    TUserForm* editor = main.findChild<TUserForm*>();
    QVERIFY(editor);
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->Model().Panel.Controls.size(), size_t(1));
  }
};

QTEST_MAIN(GuiEditorTest)
#include "GuiEditorTest.moc"
