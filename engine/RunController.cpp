#include "engine/RunController.h"

namespace TernioParser {

TRunController::TRunController(const TLayerTables& layers, TRunObserver* observer) {
  Main = std::make_unique<TGUIParser>(&Globals, layers);
  Global.reset(static_cast<TGUIParser*>(Main->Clone()));
  Main->SetRegistry(Global->Registry);
  Thread = std::make_unique<TAutoParserThread>(Main.get(), Global.get(), observer);
}

TRunController::~TRunController() {
  Thread.reset();
  Main.reset();
  Global.reset();
}

bool TRunController::Start() {
  if (Main->Error || Global->Error) return false;
  Global->Prepare();
  Main->Prepare();
  return Thread->PostMessage(TAutoParserThread::RunRequest);
}

void TRunController::Abandon() {
  (void)Thread.release();
  (void)Main.release();
  (void)Global.release();
}

}  // namespace TernioParser
