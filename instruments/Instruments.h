#pragma once
// The process-wide state of the instrument functions: the 50 slot locks, the
// serial-port table, the UDP socket table and the GPIB devices with their
// driver binding. Lock i guards serial slot i and UDP slot i; a function holds
// it for its whole device call.
//
// The state is made on first use (thread-safe) and lives until the process
// ends. A TInstrumentSession, owned by the application's main function, marks
// program start and exit: at exit every port and socket closes and every GPIB
// device goes offline while the driver library can still be called.

#include <memory>
#include <mutex>

#include "engine/CalcInfo.h"

namespace TernioParser {

class TCommHandler;
class TUdpSocket;
class TGpibDriver;

constexpr int SlotCount = 50;
constexpr int UdpHandles = 10;
constexpr int GpibIds = 256;

class TInstrumentLayer {
public:
  TInstrumentLayer();
  ~TInstrumentLayer();
  TInstrumentLayer(const TInstrumentLayer&) = delete;
  TInstrumentLayer& operator=(const TInstrumentLayer&) = delete;

  std::mutex Locks[SlotCount];

  // Serial ports by script port number.
  std::unique_ptr<TCommHandler> Serial[SlotCount];

  // UDP sockets by handle (only 0..9 are used) and each slot's receive
  // time-out in milliseconds.
  std::unique_ptr<TUdpSocket> Udp[SlotCount];
  int32_t UdpTimeout[SlotCount] = {};

  // GPIB: the device descriptor of each id on the active board (-1: none).
  int32_t GpibSlots[GpibIds];
  int32_t ActiveBoard = 0;
  std::unique_ptr<TGpibDriver> Gpib;

  // Closes every serial port, taking each slot's lock in turn.
  void CloseSerialPorts();
  // Takes every GPIB device that has a descriptor offline and forgets it.
  void TakeGpibDevicesOffline();
};

// The instance of the process.
TInstrumentLayer& Instruments();

// Program start: makes the state and configures GPIB board 0 (the first use
// of the driver library, silently without one).
void StartInstruments();
// Program exit, after the calculation thread has ended: closes every serial
// port and UDP socket and takes every GPIB device offline.
void StopInstruments();

// Start and exit of the instrument layer for the lifetime of the object.
class TInstrumentSession {
public:
  TInstrumentSession() { StartInstruments(); }
  ~TInstrumentSession() { StopInstruments(); }
  TInstrumentSession(const TInstrumentSession&) = delete;
  TInstrumentSession& operator=(const TInstrumentSession&) = delete;
};

// The end-of-run hook of the output and instrument layer: every serial port
// is closed, so no port stays open from one run to the next.
void CloseSerialPortsAfterRun(TCalcInfo& ci);

}  // namespace TernioParser
