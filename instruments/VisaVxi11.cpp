// The VXI-11 link: ONC RPC through libtirpc, with the XDR routines rpcgen
// makes from vxi11.x. The core channel carries the transfers; a stop
// request during a call sends device_abort on the abort channel and, if the
// call still does not end, shuts the connection down.

#include <fcntl.h>
#include <netinet/in.h>
#include <rpc/rpc.h>
#include <rpc/pmap_prot.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "instruments/VisaLink.h"
#include "vxi11.h"

namespace TernioParser {

namespace {

// Device_Flags and reason bits of the protocol.
constexpr long FlagEnd = 0x08, FlagTermChar = 0x80;
constexpr long ReasonEnd = 0x04;
constexpr long ErrorTimeout = 15;
// What the answer to a call may take beyond the device's own time-out.
constexpr int64_t CallMarginMs = 2000;
// The port mapper is asked here unless OSTRA_VXI11_PORTMAPPER names another.
constexpr int PortMapperPort = 111;

int PortMapper() {
  const char* p = std::getenv("OSTRA_VXI11_PORTMAPPER");
  const int port = p ? std::atoi(p) : 0;
  return port > 0 && port < 65536 ? port : PortMapperPort;
}

timeval Tv(int64_t ms) {
  ms = std::max<int64_t>(ms, 1);
  return timeval{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
}

// An RPC client on a connected descriptor (made blocking: the library waits
// on it itself).
struct TRpcChannel {
  int Fd = -1;
  CLIENT* Client = nullptr;
  sockaddr_storage Address{};
  ~TRpcChannel() {
    if (Client) clnt_destroy(Client);
    if (Fd >= 0) ::close(Fd);
  }
  bool Open(TVisaWait& w, const std::string& host, int port, rpcprog_t program, rpcvers_t version, TVisaIo& how) {
    Fd = ConnectTcp(w, host, port, how);
    if (Fd < 0) return false;
    ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) & ~O_NONBLOCK);
    socklen_t len = sizeof Address;
    ::getpeername(Fd, reinterpret_cast<sockaddr*>(&Address), &len);
    netbuf nb{len, len, &Address};
    Client = clnt_vc_create(Fd, &nb, program, version, 0, 0);
    if (!Client) how = TVisaIo::Gone;
    return Client != nullptr;
  }
};

class TVxi11Link final : public TVisaLink {
public:
  TRpcChannel Core;
  std::unique_ptr<TRpcChannel> Abort;
  Device_Link Lid = 0;
  bool Linked = false;
  uint32_t MaxRecvSize = 0;
  int TermChar = -1;
  std::atomic<bool> InCall{false};
  std::unique_ptr<TStopWatcher> Watch;

  ~TVxi11Link() override {
    if (Linked && Core.Client) {
      Device_Error e{};
      Device_Link lid = Lid;
      clnt_call(Core.Client,
                destroy_link,
                reinterpret_cast<xdrproc_t>(xdr_Device_Link),
                reinterpret_cast<char*>(&lid),
                reinterpret_cast<xdrproc_t>(xdr_Device_Error),
                reinterpret_cast<char*>(&e),
                Tv(500));
    }
  }

  bool HasEnd() const override { return true; }
  void SetTermChar(int c) override { TermChar = c; }

  // The device's time-out of one call and the wait for its answer.
  static uint32_t IoTimeout(const TVisaWait& w) {
    return w.TimeoutMs() > 0 ? static_cast<uint32_t>(std::min<int64_t>(w.LeftMs(), UINT32_MAX)) : UINT32_MAX;
  }
  static int64_t CallWait(const TVisaWait& w) {
    return w.TimeoutMs() > 0 ? w.LeftMs() + CallMarginMs : int64_t{24} * 3600 * 1000;
  }

  // One call on the core channel; Stopped when a stop request ended it.
  template <class A, class R>
  TVisaIo Call(TVisaWait& w, rpcproc_t proc, xdrproc_t inProc, A& in, xdrproc_t outProc, R& out) {
    if (!Watch->Begin()) return TVisaIo::Stopped;
    InCall = true;
    const clnt_stat st = clnt_call(Core.Client,
                                   proc,
                                   inProc,
                                   reinterpret_cast<char*>(&in),
                                   outProc,
                                   reinterpret_cast<char*>(&out),
                                   Tv(CallWait(w)));
    InCall = false;
    Watch->End();
    if (w.Stopping()) return TVisaIo::Stopped;
    if (st == RPC_TIMEDOUT) return TVisaIo::Timeout;
    return st == RPC_SUCCESS ? TVisaIo::Ok : TVisaIo::Gone;
  }

  // From the watch thread: abort the call, and end the connection if that
  // does not help within 100 ms.
  void Interrupt() {
    if (Abort) {
      Device_Error e{};
      Device_Link lid = Lid;
      clnt_call(Abort->Client,
                device_abort,
                reinterpret_cast<xdrproc_t>(xdr_Device_Link),
                reinterpret_cast<char*>(&lid),
                reinterpret_cast<xdrproc_t>(xdr_Device_Error),
                reinterpret_cast<char*>(&e),
                Tv(100));
      for (int i = 0; i < 20 && InCall; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (InCall) ::shutdown(Core.Fd, SHUT_RDWR);
  }

  TVisaIo Write(TVisaWait& w, std::string_view bytes, bool end) override {
    size_t done = 0;
    do {
      const size_t n = std::min<size_t>(bytes.size() - done, MaxRecvSize);
      const bool last = done + n == bytes.size();
      Device_WriteParms p{};
      p.lid = Lid;
      p.io_timeout = IoTimeout(w);
      p.flags = last && end ? FlagEnd : 0;
      p.data.data_len = static_cast<u_int>(n);
      p.data.data_val = const_cast<char*>(bytes.data() + done);
      Device_WriteResp r{};
      TVisaIo how = Call(w,
                         device_write,
                         reinterpret_cast<xdrproc_t>(xdr_Device_WriteParms),
                         p,
                         reinterpret_cast<xdrproc_t>(xdr_Device_WriteResp),
                         r);
      if (how != TVisaIo::Ok) return how;
      if (r.error == ErrorTimeout) return TVisaIo::Timeout;
      if (r.error != 0 || r.size > n || (r.size == 0 && n > 0)) return TVisaIo::Gone;
      done += r.size;
      w.Progress();
    } while (done < bytes.size());
    return TVisaIo::Ok;
  }

  TVisaIo Read(TVisaWait& w, char* buf, size_t cap, size_t& got, bool& end) override {
    got = 0;
    end = false;
    for (;;) {
      Device_ReadParms p{};
      p.lid = Lid;
      p.requestSize = static_cast<u_long>(std::min<size_t>(cap, UINT32_MAX));
      p.io_timeout = IoTimeout(w);
      p.flags = TermChar >= 0 ? FlagTermChar : 0;
      p.termChar = static_cast<char>(TermChar >= 0 ? TermChar : 0);
      // The library allocates the answer's bytes (a server may send more
      // than asked: nothing is written beyond buf).
      Device_ReadResp r{};
      TVisaIo how = Call(w,
                         device_read,
                         reinterpret_cast<xdrproc_t>(xdr_Device_ReadParms),
                         p,
                         reinterpret_cast<xdrproc_t>(xdr_Device_ReadResp),
                         r);
      if (how != TVisaIo::Ok) return how;
      const size_t len = r.data.data_len;
      got = std::min(len, cap);
      if (got > 0) std::memcpy(buf, r.data.data_val, got);
      end = (r.reason & ReasonEnd) != 0;
      xdr_free(reinterpret_cast<xdrproc_t>(xdr_Device_ReadResp), reinterpret_cast<char*>(&r));
      if (len > cap) return TVisaIo::Gone;
      if (got > 0 || end) {
        w.Progress();
        return TVisaIo::Ok;
      }
      if (r.error == ErrorTimeout) return TVisaIo::Timeout;
      if (r.error != 0) return TVisaIo::Gone;
    }
  }

  Device_GenericParms Generic(const TVisaWait& w) const {
    Device_GenericParms p{};
    p.lid = Lid;
    p.io_timeout = IoTimeout(w);
    return p;
  }

  bool Clear(TVisaWait& w) override {
    Device_GenericParms p = Generic(w);
    Device_Error e{};
    return Call(w,
                device_clear,
                reinterpret_cast<xdrproc_t>(xdr_Device_GenericParms),
                p,
                reinterpret_cast<xdrproc_t>(xdr_Device_Error),
                e) == TVisaIo::Ok &&
           e.error == 0;
  }

  bool HasStatus() const override { return true; }
  bool Status(TVisaWait& w, int& stb, TVisaIo& how) override {
    Device_GenericParms p = Generic(w);
    Device_ReadStbResp r{};
    how = Call(w,
               device_readstb,
               reinterpret_cast<xdrproc_t>(xdr_Device_GenericParms),
               p,
               reinterpret_cast<xdrproc_t>(xdr_Device_ReadStbResp),
               r);
    if (how != TVisaIo::Ok || r.error != 0) return false;
    stb = r.stb;
    return true;
  }
};

// The core channel's port from the port mapper (version 2 GETPORT, asked
// over TCP to the instrument's address, IPv6 as well); 0 when unknown.
int CorePort(TVisaWait& w, const std::string& host, TVisaIo& how) {
  TRpcChannel mapper;
  if (!mapper.Open(w, host, PortMapper(), PMAPPROG, PMAPVERS, how)) return 0;
  pmap query{DEVICE_CORE, DEVICE_CORE_VERSION, IPPROTO_TCP, 0};
  u_long port = 0;
  const clnt_stat st = clnt_call(mapper.Client,
                                 PMAPPROC_GETPORT,
                                 reinterpret_cast<xdrproc_t>(xdr_pmap),
                                 reinterpret_cast<char*>(&query),
                                 reinterpret_cast<xdrproc_t>(xdr_u_long),
                                 reinterpret_cast<char*>(&port),
                                 Tv(std::min<int64_t>(w.LeftMs(), 5000)));
  if (st != RPC_SUCCESS || port == 0 || port > 65535) {
    how = TVisaIo::Gone;
    return 0;
  }
  return static_cast<int>(port);
}

}  // namespace

std::unique_ptr<TVisaLink> OpenVxi11Link(TVisaWait& w, const TVisaResource& r, TVisaIo& how) {
  const int port = CorePort(w, r.Host, how);
  if (port == 0) return nullptr;
  auto link = std::make_unique<TVxi11Link>();
  link->Watch = std::make_unique<TStopWatcher>(w.Ci, [l = link.get()] { l->Interrupt(); });
  if (!link->Core.Open(w, r.Host, port, DEVICE_CORE, DEVICE_CORE_VERSION, how)) return nullptr;
  Create_LinkParms p{};
  p.clientId = static_cast<long>(::getpid());
  p.device = const_cast<char*>(r.Device.c_str());
  Create_LinkResp resp{};
  how = link->Call(w,
                   create_link,
                   reinterpret_cast<xdrproc_t>(xdr_Create_LinkParms),
                   p,
                   reinterpret_cast<xdrproc_t>(xdr_Create_LinkResp),
                   resp);
  if (how != TVisaIo::Ok || resp.error != 0) {
    if (how == TVisaIo::Ok) how = TVisaIo::Gone;
    return nullptr;
  }
  link->Lid = resp.lid;
  link->Linked = true;
  link->MaxRecvSize =
      resp.maxRecvSize >= 64 ? static_cast<uint32_t>(std::min<u_long>(resp.maxRecvSize, 1u << 24)) : 1024;
  // The abort channel, where the server offers one.
  if (resp.abortPort != 0) {
    TVisaIo abortHow;
    link->Abort = std::make_unique<TRpcChannel>();
    if (!link->Abort->Open(w, r.Host, resp.abortPort, DEVICE_ASYNC, DEVICE_ASYNC_VERSION, abortHow))
      link->Abort.reset();
  }
  how = TVisaIo::Ok;
  return link;
}

}  // namespace TernioParser
