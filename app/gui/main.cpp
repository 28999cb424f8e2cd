// ostracalc: the desktop application.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <cfenv>
#include <csignal>
#include <cstdio>
#include <exception>

#include "instruments/Instruments.h"
#include "output/qt/ClipbForm.h"
#include "output/qt/GraphicForm.h"
#include "output/qt/OutputForm.h"
#include "panels/qt/ControlForm.h"
#include "panels/qt/UserForm.h"
#include "workbench/qt/AboutForm.h"
#include "workbench/qt/FileAssociation.h"
#include "workbench/qt/MainForm.h"
#include "workbench/qt/RenameForm.h"
#include "workbench/qt/Translation.h"
#include "engine/qt/WindowPlacement.h"

namespace {

// Options for unattended use (screenshots, demos); they are not shown to
// users and are removed before the command line names the document.
struct TUnattended {
  bool AutoRun = false;
  QString ScreenshotDir;
};

QStringList TakeUnattendedOptions(QStringList args, TUnattended& u) {
  for (qsizetype i = 0; i < args.size();) {
    if (args[i] == "--autorun") {
      u.AutoRun = true;
      args.removeAt(i);
    } else if (args[i] == "--screenshot" && i + 1 < args.size()) {
      u.AutoRun = true;
      u.ScreenshotDir = args[i + 1];
      args.remove(i, 2);
    } else {
      ++i;
    }
  }
  return args;
}

int Run(QApplication& app) {
  TUnattended unattended;
  const QStringList args = TakeUnattendedOptions(app.arguments().mid(1), unattended);

  // Macro files open with this program from the desktop (once; an existing
  // association is left alone).
  Ostra::RegisterFileAssociation();

  // The windows, in the order they depend on each other; all live until exit.
  auto* form = new TMainForm;
  auto* plots = new TGraphicForm(form);
  new TWindowPlacement(plots, form, "PlotWindow");
  form->SetPlotHost(plots->Host());
  plots->ClipbForm = new TClipbForm(form);
  auto* output = new TOutputForm(form);
  form->SetOutputSink(output->Sink());
  new TWindowPlacement(output, form, "OutputWindow");
  form->PlotWindow = plots;
  form->OutputWindow = output;
  form->RenameForm = new TRenameForm(form);
  form->AboutForm = new TAboutForm(form);

  // Where the user left the main window; the first time a size that shows a
  // good part of a program, on the screen.
  QSettings settings;
  if (!form->restoreGeometry(settings.value("MainWindow/geometry").toByteArray())) form->ResizeToDefault();
  form->show();
  form->OpenCommandLine(args);
  // Unsaved work of a program that crashed or was killed; unattended runs
  // leave it for the user.
  if (!unattended.AutoRun) form->OfferRecovery();

  if (unattended.AutoRun) {
    QTimer::singleShot(300, form, [form] { form->ActionStart->trigger(); });
  }
  if (!unattended.ScreenshotDir.isEmpty()) {
    const QString dir = unattended.ScreenshotDir;
    QObject::connect(form, &TMainForm::CalculationFinished, form, [form, output, plots, dir] {
      // Let the colouring and the output window settle first.
      QTimer::singleShot(600, form, [form, output, plots, dir] {
        QDir().mkpath(dir);
        bool ok = form->grab().save(QDir(dir).filePath("main-window.png"));
        if (output->isVisible()) ok = output->grab().save(QDir(dir).filePath("output-window.png")) && ok;
        // The example panel next to the document, in the editor and loaded
        // into the control window.
        const QString panel = QFileInfo(form->FullPath).dir().filePath("motor.gui");
        if (QFileInfo::exists(panel)) {
          TUserForm editor(form);
          editor.LoadFile(panel);
          editor.resize(420, 300);
          editor.show();
          QCoreApplication::processEvents();
          ok = editor.grab().save(QDir(dir).filePath("gui-editor.png")) && ok;
          TernioParser::TEvent event(false);
          auto request = std::make_unique<TernioParser::TCreatePanelInfo>();
          request->FileName = panel.toStdString();
          request->Event = &event;
          form->ControlForm->LoadPanel(std::move(request));
          form->ControlForm->PageControl->setTabText(0, "Motor");
          form->ControlForm->resize(300, 200);
          QCoreApplication::processEvents();
          ok = form->ControlForm->grab().save(QDir(dir).filePath("control-window.png")) && ok;
          form->ControlForm->CloseAllPanels();
        }
        // The plot window, one picture per tab: plot-window-1.png, ...
        if (plots->isVisible()) {
          for (int i = 0; i < plots->PageControl->count(); ++i) {
            plots->PageControl->setCurrentIndex(i);
            const QString name = QString("plot-window-%1.png").arg(i + 1);
            ok = plots->grab().save(QDir(dir).filePath(name)) && ok;
          }
        }
        std::fprintf(stderr, "%s\n", ok ? "screenshots written" : "could not write the screenshots");
        QApplication::exit(ok ? 0 : 1);
      });
    });
    QTimer::singleShot(30000, form, [] {
      std::fprintf(stderr, "the demo did not finish within 30 s\n");
      QApplication::exit(1);
    });
  }

  const int rc = app.exec();
  settings.setValue("MainWindow/geometry", form->saveGeometry());
  delete form;
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  // Arithmetic gives infinities and not-a-number values instead of traps.
  fedisableexcept(FE_ALL_EXCEPT);
  // Sockets of the instrument functions report a closed peer as an error
  // rather than ending the process.
  std::signal(SIGPIPE, SIG_IGN);
  // The instrument layer from its first GPIB call (silently without a
  // driver) until exit, after the windows and the calculation thread have
  // gone: then ports and sockets close and GPIB devices go offline.
  TernioParser::TInstrumentSession instruments;

  QApplication app(argc, argv);
  // Settings and recovery copies go to the maker's folders:
  // ~/.config/Ostra/ostracalc.conf, ~/.local/share/Ostra/ostracalc/recovery.
  QApplication::setOrganizationName("Ostra");
  QApplication::setApplicationName("ostracalc");
  QApplication::setApplicationVersion(OSTRA_VERSION);
  // Icons of the desktop's theme; where it lacks one (or there is no
  // desktop theme), Adwaita's.
  QIcon::setFallbackThemeName("Adwaita");
  // The interface speaks the system's language when there is a translation.
  Ostra::InstallTranslation();
  try {
    return Run(app);
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, "The Ostra Calculator", e.what());
  } catch (...) {
    QMessageBox::critical(nullptr, "The Ostra Calculator", "Unexpected error at start-up");
  }
  return 1;
}
