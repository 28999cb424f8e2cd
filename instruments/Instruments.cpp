#include "instruments/Instruments.h"

#include "instruments/Gpib.h"
#include "instruments/Serial.h"
#include "instruments/Udp.h"

namespace TernioParser {

TInstrumentLayer::TInstrumentLayer() : Gpib(std::make_unique<TGpibDriver>()) {
  Gpib->Unload = false;
  for (int32_t& slot : GpibSlots) slot = -1;
}

// Ports and sockets close with their objects. The driver library is not
// called here: by the time static objects go, its own may be gone.
TInstrumentLayer::~TInstrumentLayer() = default;

void TInstrumentLayer::CloseSerialPorts() {
  for (int i = 0; i < SlotCount; ++i) {
    std::lock_guard<std::mutex> g(Locks[i]);
    Serial[i].reset();
  }
}

void TInstrumentLayer::TakeGpibDevicesOffline() {
  for (int32_t& slot : GpibSlots) {
    if (slot != -1) Gpib->ibonl(slot, 0);
    slot = -1;
  }
}

TInstrumentLayer& Instruments() {
  static TInstrumentLayer layer;
  return layer;
}

void StartInstruments() {
  TInstrumentLayer& layer = Instruments();
  layer.Gpib->ibconfig(layer.ActiveBoard, 7, 0);
}

void StopInstruments() {
  // No run is in progress any more, so no lock is taken.
  TInstrumentLayer& layer = Instruments();
  for (auto& port : layer.Serial) port.reset();
  for (auto& socket : layer.Udp) socket.reset();
  layer.TakeGpibDevicesOffline();
}

void CloseSerialPortsAfterRun(TCalcInfo&) { Instruments().CloseSerialPorts(); }

}  // namespace TernioParser
