// The interface language: English texts by default, the German translation
// for a German locale, with the German hints of the actions.

#include <QComboBox>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "workbench/qt/AboutForm.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/MainForm.h"
#include "workbench/qt/Translation.h"

namespace {

QStringList MenuTitles(TMainForm& f) {
  QStringList titles;
  for (QAction* a : f.menuBar()->actions()) titles << a->text();
  return titles;
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
    QTest::newRow("open") << "FileOpen" << "Öffnen" << "Vorhandene Datei öffnen";
    QTest::newRow("save") << "ActionSave" << "Speichern" << "Aktuelle Datei speichern";
    QTest::newRow("save as") << "FileSaveAs" << "Speichern unter" << "Aktive Datei unter einem neuen Namen speichern";
    QTest::newRow("quit") << "FileExit1" << "Beenden" << "Anwendung beenden";
    QTest::newRow("cut") << "EditCut1" << "Ausschneiden" << "Markiertes Objekt in die Zwischenablage verschieben";
    QTest::newRow("copy") << "EditCopy1" << "Kopieren" << "Markiertes Objekt in die Zwischenablage kopieren";
    QTest::newRow("paste") << "EditPaste1" << "Einfügen" << "Inhalt der Zwischenablage einfügen";
    QTest::newRow("select all") << "EditSelectAll1" << "Alles markieren" << "Gesamtes Dokument markieren";
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
    QCOMPARE(MenuTitles(f), (QStringList{"&Datei", "&Bearbeiten", "Be&rechnung", "&Panel", "&Hilfe"}));
    QCOMPARE(f.BtnShowError->text(), QString("Fehler zeigen"));
    QCOMPARE(f.Panel(1)->cbRadix->itemText(1), QString("Hexadezimal"));
    QCOMPARE(f.PanelName(1), QString("Calculator 1"));
    TAboutForm about(&f);
    QCOMPARE(about.windowTitle(), QString("Über den Ostra Calculator"));
  }

  void englishByDefault() {
    QVERIFY(!Ostra::InstallTranslation(QLocale(QLocale::English, QLocale::UnitedStates)));
    TMainForm f;
    QCOMPARE(MenuTitles(f), (QStringList{"&File", "&Edit", "&Calculation", "&Panel", "&Help"}));
    QCOMPARE(f.FileOpen->toolTip(), QString("Open"));
    QCOMPARE(f.FileOpen->statusTip(), QString("Open an existing file"));
    QCOMPARE(f.BtnShowError->text(), QString("Show error"));
  }
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
