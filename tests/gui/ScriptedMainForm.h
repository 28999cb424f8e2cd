#pragma once
// A main window whose message boxes, file dialogs and desktop links are
// answered from a script, for the tests of the workbench.

#include <QApplication>
#include <QLabel>
#include <QList>
#include <QPlainTextEdit>
#include <QStringList>
#include <QUrl>
#include <QtTest>
#include <memory>

#include "workbench/qt/EditPanel.h"
#include "workbench/qt/MainForm.h"

struct TQuestion {
  QMessageBox::Icon Icon;
  QString Title, Text;
};

struct TScriptedMainForm {
  std::unique_ptr<TMainForm> Form;
  QList<TQuestion> Questions;
  QList<QMessageBox::StandardButton> Answers;  // empty: Cancel
  QStringList Files;                           // file dialog answers; empty: cancelled
  QList<QUrl> Opened;
  bool UrlsOpen = true;  // whether the desktop finds an application for a link
  int ForcedExits = 0;

  TScriptedMainForm() : Form(new TMainForm) {
    Form->Ask = [this](
                    QMessageBox::Icon icon, const QString& title, const QString& text, QMessageBox::StandardButtons) {
      Questions.append({icon, title, text});
      return Answers.isEmpty() ? QMessageBox::Cancel : Answers.takeFirst();
    };
    Form->ChooseFile = [this](bool) { return Files.isEmpty() ? QString() : Files.takeFirst(); };
    Form->OpenUrl = [this](const QUrl& u) {
      Opened.append(u);
      return UrlsOpen;
    };
    Form->ForceExit = [this] { ++ForcedExits; };
  }
  ~TScriptedMainForm() {
    if (Form->Running()) Form->ActionBreakExecute();
    QElapsedTimer t;
    t.start();
    while (Form->Running() && t.elapsed() < 5000) QTest::qWait(5);
  }
  TEditPanel* Panel(int i) const { return Form->Panel(i); }
  void SetText(int i, const QString& text) { Panel(i)->MemoEdit->setPlainText(text); }
  QString Status() const { return Form->StatusPanel1->text(); }
  // Shows the window as the active one with the keyboard focus in the editor
  // of page i; null when the window does not become active.
  QPlainTextEdit* ShowWithFocus(int i) {
    Form->PageControl->setCurrentIndex(i);
    Form->show();
    QApplication::setActiveWindow(Form.get());
    if (!QTest::qWaitForWindowActive(Form.get())) return nullptr;
    QPlainTextEdit* editor = Panel(i)->MemoEdit;
    editor->setFocus();
    return editor;
  }
  bool WaitIdle(int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (Form->Running() && t.elapsed() < ms) QTest::qWait(5);
    return !Form->Running();
  }
};
