// The interface language: English texts by default, the German translation
// for a German locale, with the German hints of the actions; in German no
// window or dialog of the program (Qt's own included) shows English text.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "engine/qt/MessageBox.h"
#include "output/qt/ClipbForm.h"
#include "output/qt/GraphicForm.h"
#include "output/qt/OutputForm.h"
#include "panels/qt/ControlForm.h"
#include "panels/qt/ParmForms.h"
#include "panels/qt/UserForm.h"
#include "workbench/qt/AboutForm.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/HelpBrowser.h"
#include "workbench/qt/MainForm.h"
#include "workbench/qt/RenameForm.h"
#include "workbench/qt/Translation.h"

namespace {

QStringList MenuTitles(TMainForm& f) {
  QStringList titles;
  for (QAction* a : f.menuBar()->actions()) titles << a->text();
  return titles;
}

// Every text a user reads in a window: its title, the captions, labels,
// group titles, tab texts, list items and tips of its widgets, the texts of
// its menus and actions. Program data (plot tab captions, panel names, the
// function list's signatures, paths) is not interface text.
QStringList TextsOf(QWidget* window) {
  QStringList texts{window->windowTitle(), window->toolTip()};
  QList<QWidget*> widgets = window->findChildren<QWidget*>();
  for (QWidget* w : widgets) {
    texts << w->toolTip() << w->statusTip() << w->windowTitle();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) texts << b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) texts << l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) texts << g->title();
    if (auto* m = qobject_cast<QMenu*>(w)) texts << m->title();
    if (auto* c = qobject_cast<QComboBox*>(w); c && !qobject_cast<QFileDialog*>(window)) {
      if (c->parent() && qobject_cast<THelpPanel*>(c->parent())) texts << c->itemText(0);
      else
        for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
    }
    const bool dataTabs = qobject_cast<TGraphicForm*>(window) || qobject_cast<TMainForm*>(window);
    if (auto* t = qobject_cast<QTabWidget*>(w); t && !dataTabs)
      for (int i = 0; i < t->count(); ++i) texts << t->tabText(i);
  }
  for (QAction* a : window->findChildren<QAction*>())
    texts << a->text() << a->iconText() << a->toolTip() << a->statusTip();
  texts.removeAll(QString());
  return texts;
}

// English words of the interface that German writes differently.
QStringList EnglishIn(const QStringList& texts) {
  static const QSet<QString> english{
      "save",     "delete",    "print",     "clipboard",   "width",      "height",      "size",    "alignment",
      "left",     "center",    "right",     "orientation", "vertical",   "value",       "line",    "page",
      "font",     "clear",     "output",    "window",      "yes",        "no",          "cancel",  "open",
      "file",     "files",     "look",      "type",        "new",        "edit",        "button",  "checkbox",
      "display",  "scrollbar", "duplicate", "parameters",  "properties", "copy",        "paste",   "cut",
      "find",     "replace",   "match",     "case",        "error",      "close",       "show",    "help",
      "back",     "forward",   "folder",    "directory",   "view",       "detail",      "list",    "name",
      "function", "picture",   "image",     "drawing",     "document",   "all",         "the",     "of",
      "to",       "and",       "for",       "with",        "is",         "plot",        "plots",   "pixels",
      "controls", "setting",   "target",    "graphic",     "quit",       "about",       "manual",  "recent",
      "undo",     "redo",      "select",    "insert",      "break",      "calculation", "rename",  "changed",
      "result",   "radix",     "decimal",   "binary",      "go",         "info",        "general", "choose",
      "create",   "parent",    "computer"};
  QStringList found;
  for (QString t : texts) {
    t.remove("Ostra Calculator").remove(u'&');
    for (const QString& word : t.split(QRegularExpression("[^A-Za-z]+"), Qt::SkipEmptyParts))
      if (english.contains(word.toLower())) found << t + " [" + word + "]";
  }
  return found;
}

}  // namespace

class TranslationTest : public QObject {
  Q_OBJECT
  QTemporaryDir Home;

private slots:
  void initTestCase() {
    qputenv("XDG_DATA_HOME", Home.filePath("data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", Home.filePath("config").toLocal8Bit());
  }
  void cleanup() { Ostra::InstallTranslation(QLocale(QLocale::English)); }

  void germanHints_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("status");
    QTest::newRow("open") << "FileOpen"
                          << "Öffnen"
                          << "Vorhandene Datei öffnen";
    QTest::newRow("save") << "ActionSave"
                          << "Speichern"
                          << "Aktuelle Datei speichern";
    QTest::newRow("save as") << "FileSaveAs"
                             << "Speichern unter"
                             << "Aktive Datei unter einem neuen Namen speichern";
    QTest::newRow("quit") << "FileExit1"
                          << "Beenden"
                          << "Anwendung beenden";
    QTest::newRow("cut") << "EditCut1"
                         << "Ausschneiden"
                         << "Markiertes Objekt in die Zwischenablage verschieben";
    QTest::newRow("copy") << "EditCopy1"
                          << "Kopieren"
                          << "Markiertes Objekt in die Zwischenablage kopieren";
    QTest::newRow("paste") << "EditPaste1"
                           << "Einfügen"
                           << "Inhalt der Zwischenablage einfügen";
    QTest::newRow("select all") << "EditSelectAll1"
                                << "Alles markieren"
                                << "Gesamtes Dokument markieren";
  }

  void germanHints() {
    QFETCH(QString, action);
    QFETCH(QString, tip);
    QFETCH(QString, status);
    QVERIFY(Ostra::InstallTranslation(QLocale(QLocale::German, QLocale::Germany)));
    TMainForm f;
    auto* a = f.findChild<QAction*>(action);
    QVERIFY(a);
    QCOMPARE(a->toolTip(), tip);
    QCOMPARE(a->statusTip(), status);
  }

  // The system locale chooses; the whole window follows, panel names (part
  // of the document) do not.
  void systemLocaleChooses() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
    const bool installed = Ostra::InstallTranslation();
    QLocale::setDefault(QLocale::system());
    QVERIFY(installed);
    TMainForm f;
    QCOMPARE(MenuTitles(f), (QStringList{"&Datei", "&Bearbeiten", "Be&rechnung", "&Panel", "&Fenster", "&Hilfe"}));
    QCOMPARE(f.BtnShowError->text(), QString("Fehler zeigen"));
    QCOMPARE(f.Panel(1)->cbRadix->itemText(1), QString("Hexadezimal"));
    QCOMPARE(f.PanelName(1), QString("Calculator 1"));
    TAboutForm about(&f);
    QCOMPARE(about.windowTitle(), QString("Über den Ostra Calculator"));
  }

  // Every top-level window and dialog in German: the main window with its
  // menus, the plot, output and control windows, the GUI editor and each
  // parameter dialog, the size dialog in both uses, rename and about, a
  // message box and a file dialog (Qt's own texts).
  void germanEverywhere() {
    QVERIFY(Ostra::InstallTranslation(QLocale(QLocale::German, QLocale::Germany)));
    TMainForm f;
    QTemporaryDir dir;
    const QString panelFile = QDir(dir.path()).filePath("p.gui");
    QFile file(panelFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // One control of each type.
    file.write(
        "0,1,1,16,5,1,a,0\r\n1,1,6,16,9,2,b,1,10\r\n2,1,10,16,13,3,0,100,5,1,10,1\r\n"
        "3,1,14,16,17,4,c,0\r\n4,1,18,16,21,5,d\r\n5,1,22,16,25,6,e,checked\r\n");
    file.close();
    QMap<QString, QStringList> left;
    const auto walk = [&](const QString& name, QWidget* w) {
      const QStringList english = EnglishIn(TextsOf(w));
      if (!english.isEmpty()) left[name] = english;
    };
    walk("main window", &f);
    for (QMenu* m : f.menuBar()->findChildren<QMenu*>()) walk("menu " + m->title(), m);
    TGraphicForm plots(&f);
    TernioParser::TPlotRequest curve;
    curve.Kind = TernioParser::TPlotRequestKind::AddCurve;
    curve.X = {0, 1}, curve.Y = {0, 1};
    plots.Host()->Post(std::move(curve));
    walk("plot window", &plots);
    TOutputForm output(&f);
    walk("output window", &output);
    TernioParser::TEvent event(false);
    auto load = std::make_unique<TernioParser::TCreatePanelInfo>();
    load->FileName = panelFile.toStdString();
    load->Event = &event;
    QVERIFY(f.ControlForm->LoadPanel(std::move(load)));
    walk("control window", f.ControlForm);
    TUserForm editor(&f);
    QVERIFY(editor.LoadFile(panelFile));
    walk("GUI editor", &editor);
    QCOMPARE(int(editor.Model().Panel.Controls.size()), 6);
    for (auto& c : editor.Model().Panel.Controls) {
      std::unique_ptr<TParmForm> dlg(CreateParmForm(*c, {}, &editor));
      walk("parameters of type " + QString::number(c->GetTypeCode()), dlg.get());
    }
    TClipbForm size(&f);
    walk("size dialog", &size);
    QTimer::singleShot(0, &size, [&] {
      walk("picture size dialog", &size);
      size.reject();
    });
    size.AskPictureSize(800, 600);
    TRenameForm rename(&f);
    walk("rename dialog", &rename);
    TAboutForm about(&f);
    walk("about box", &about);
    // Qt's own dialogs, opened as the program opens them.
    QStringList buttons;
    QTimer::singleShot(0, &f, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      walk("message box", box);
      for (QAbstractButton* b : box->buttons()) buttons << b->text();
      box->reject();
    });
    Ostra::AskUser(&f,
                   QMessageBox::Question,
                   "Ostra Calculator",
                   "Weiter?",
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    buttons.sort();
    QCOMPARE(buttons, (QStringList{"&Ja", "&Nein", "Abbrechen"}));
    QFileDialog files(&f, "Datei", dir.path());
    files.setOption(QFileDialog::DontUseNativeDialog);
    walk("file dialog", &files);
    QVERIFY2(left.isEmpty(), qPrintable([&] {
               QString all;
               for (auto it = left.begin(); it != left.end(); ++it) all += it.key() + ": " + it->join(" | ") + "\n";
               return all;
             }()));
  }

  // Texts are not cut off in either language: the editor's and the plot
  // window's buttons, the parameter dialogs' titles, the size dialog's group
  // title, the help list's field and its drop-down items.
  void textsFit_data() {
    QTest::addColumn<bool>("german");
    QTest::newRow("English") << false;
    QTest::newRow("German") << true;
  }
  void textsFit() {
    QFETCH(bool, german);
    Ostra::InstallTranslation(german ? QLocale(QLocale::German, QLocale::Germany) : QLocale(QLocale::English));
    TMainForm f;
    QList<QPushButton*> buttons;
    TUserForm editor(&f);
    buttons += editor.findChildren<QPushButton*>();
    TGraphicForm plots(&f);
    buttons += plots.findChildren<QPushButton*>();
    for (QPushButton* b : buttons) QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->text()));
    // The editor at its narrowest still shows its whole tool bar.
    QVERIFY(editor.minimumWidth() >= editor.PanelControl->minimumSizeHint().width());
    for (int type = 0; type < 6; ++type) {
      const std::unique_ptr<Ostra::TEditObject> c = Ostra::CreatorOf(type)->Create();
      const std::unique_ptr<TParmForm> dlg(CreateParmForm(*c, {}, &editor));
      QVERIFY2(dlg->minimumWidth() > QFontMetrics(QApplication::font()).horizontalAdvance(dlg->windowTitle()),
               qPrintable(dlg->windowTitle()));
    }
    TClipbForm size(&f);
    size.show();
    QVERIFY(QTest::qWaitForWindowExposed(&size));
    QVERIFY(size.GroupBox1->minimumSizeHint().width() <= size.GroupBox1->width());
    size.hide();
    QComboBox* list = f.HelpPanel->csFunctions;
    QVERIFY(list->minimumSizeHint().width() > list->fontMetrics().horizontalAdvance(list->itemText(0)));
    int widest = 0;
    for (int i = 0; i < list->count(); ++i)
      widest = std::max(widest, list->view()->fontMetrics().horizontalAdvance(list->itemText(i)));
    QVERIFY(list->view()->minimumWidth() > widest);
  }

  void englishByDefault() {
    QVERIFY(!Ostra::InstallTranslation(QLocale(QLocale::English, QLocale::UnitedStates)));
    TMainForm f;
    QCOMPARE(MenuTitles(f), (QStringList{"&File", "&Edit", "&Calculation", "&Panel", "&Window", "&Help"}));
    QCOMPARE(f.FileOpen->toolTip(), QString("Open"));
    QCOMPARE(f.FileOpen->statusTip(), QString("Open an existing file"));
    QCOMPARE(f.BtnShowError->text(), QString("Show error"));
  }
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
