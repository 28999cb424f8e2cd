#!/usr/bin/env python3
"""A simulated LAN oscilloscope for trying the visa... functions without
hardware. One program serves the three LAN protocols of bench instruments:

  raw SCPI on a TCP port        TCPIP::127.0.0.1::5025::SOCKET
  VXI-11 (ONC RPC, with its own port mapper and an abort channel)
                                TCPIP::127.0.0.1::INSTR
  HiSLIP                        TCPIP::127.0.0.1::hislip0::INSTR

It answers
  *IDN?   its identification
  MEAS?   a reading
  CURV?   the curve: a definite-length block of 10^6 bytes (#71000000...)
  SLOW?   an answer only after 10 s (--slow), to try Break
  *STB?   the status byte (32 after a command it did not know)
  *CLS    clears the status byte
  ECHO? x the text x as it stands (for trying malformed blocks)
  DROP    closes the connection 0.3 s later, while the client waits

Usage: lan_oscilloscope.py [--host 127.0.0.1] [--socket-port 5025]
       [--hislip-port 4880] [--portmapper 111] [--slow 10]
A port of 0 lets the system choose. The ports in use are printed, one
service a line ("SOCKET 5025", "HISLIP 4880", "VXI11 40123 ABORT 40124",
"PORTMAPPER 111"), then "READY".

VXI-11 clients find the instrument through the port mapper on port 111,
which only root may open. Without root, either allow the low port once
(sudo sysctl -w net.ipv4.ip_unprivileged_port_start=111) or give another
port (--portmapper 11111) and tell the calculator with the environment
variable OSTRA_VXI11_PORTMAPPER=11111 (other VXI-11 clients then cannot
find it). With --no-portmapper none is served.
"""

import argparse
import math
import os
import socket
import struct
import sys
import threading
import time

IDN = b"OSTRA INSTRUMENTS,LAN OSCILLOSCOPE,SIM0001,1.0\n"
MEAS = b"+1.234500E+00\n"
POINTS = 1000000


def make_curve():
    period = bytes(int(128 + 100 * math.sin(2 * math.pi * i / 1000) + 20 * math.sin(2 * math.pi * i / 77))
                   for i in range(1000))
    return period * (POINTS // 1000)


CURVE = make_curve()
CURVE_BLOCK = b"#7" + str(POINTS).encode() + CURVE + b"\n"


class Instrument:
    """The state behind one connection: the answer waiting to be read, when
    it may be read, and the status byte."""

    slow_seconds = 10.0

    def __init__(self):
        self.stb = 0
        self.output = b""
        self.ready_at = 0.0
        self.cancel = threading.Event()
        self.lock = threading.Lock()
        self.dropping = False

    def command(self, data):
        text = data.strip(b"\r\n")
        word = text.split(b" ", 1)[0].upper()
        answer, delay = None, 0.0
        if word == b"*IDN?":
            answer = IDN
        elif word == b"MEAS?":
            answer = MEAS
        elif word == b"CURV?":
            answer = CURVE_BLOCK
        elif word == b"SLOW?":
            answer, delay = b"SLOW DONE\n", self.slow_seconds
        elif word == b"*STB?":
            answer = str(self.stb).encode() + b"\n"
        elif word == b"*CLS":
            self.stb = 0
        elif word == b"ECHO?":
            answer = (text.split(b" ", 1) + [b""])[1] + b"\n"
        elif word == b"DROP":
            answer, delay, self.dropping = b"-", 0.3, True
        elif word:
            self.stb |= 0x20
        if answer is not None:
            with self.lock:
                self.output = answer
                self.ready_at = time.monotonic() + delay
                self.cancel.clear()

    def wait_answer(self, timeout=None):
        """Waits until the answer may be read; False on a time-out or when
        a clear or an abort came first."""
        end = None if timeout is None else time.monotonic() + timeout
        while True:
            with self.lock:
                if not self.output:
                    left = None
                else:
                    left = self.ready_at - time.monotonic()
                    if left <= 0:
                        if self.dropping:
                            raise ConnectionError
                        return True
            if end is not None:
                rest = end - time.monotonic()
                if rest <= 0:
                    return False
                left = rest if left is None else min(left, rest)
            if self.cancel.wait(0.05 if left is None else min(left, 0.05)):
                return False

    def clear(self):
        with self.lock:
            self.output = b""
            self.cancel.set()


def recv_exact(conn, n):
    parts, left = [], n
    while left > 0:
        chunk = conn.recv(min(left, 1 << 20))
        if not chunk:
            raise ConnectionError
        parts.append(chunk)
        left -= len(chunk)
    return b"".join(parts)


def serve(listeners, handler):
    for sock in listeners:
        def accept_loop(sock=sock):
            while True:
                conn, _ = sock.accept()
                conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                threading.Thread(target=guarded, args=(handler, conn), daemon=True).start()
        threading.Thread(target=accept_loop, daemon=True).start()


def guarded(handler, conn):
    try:
        handler(conn)
    except (ConnectionError, OSError, struct.error):
        pass
    finally:
        conn.close()


def listen(hosts, port, kind=socket.SOCK_STREAM):
    """Sockets on every host, all on one port (the first one's when 0)."""
    socks = []
    for host in hosts:
        family = socket.AF_INET6 if ":" in host else socket.AF_INET
        s = socket.socket(family, kind)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        if family == socket.AF_INET6:
            s.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
        s.bind((host, port))
        if kind == socket.SOCK_STREAM:
            s.listen(16)
        port = s.getsockname()[1]
        socks.append(s)
    return socks, port


# ---- raw SCPI: lines ended by a line feed

def socket_session(conn):
    inst = Instrument()
    pending = b""
    while True:
        data = conn.recv(65536)
        if not data:
            return
        pending += data
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            inst.command(line)
            if inst.output and inst.wait_answer():
                conn.sendall(inst.output)
                inst.output = b""


# ---- HiSLIP

HS_INITIALIZE, HS_INITIALIZE_RESPONSE, HS_FATAL, HS_ERROR = 0, 1, 2, 3
HS_DATA, HS_DATA_END, HS_CLEAR_COMPLETE, HS_CLEAR_ACK = 6, 7, 8, 9
HS_MAX_SIZE, HS_MAX_SIZE_RESPONSE = 15, 16
HS_ASYNC_INITIALIZE, HS_ASYNC_INITIALIZE_RESPONSE, HS_ASYNC_CLEAR = 17, 18, 19
HS_ASYNC_STATUS, HS_ASYNC_STATUS_RESPONSE, HS_ASYNC_CLEAR_ACK = 21, 22, 23
HS_ASYNC_LOCK, HS_ASYNC_LOCK_RESPONSE = 13, 14
HS_ASYNC_LOCK_INFO, HS_ASYNC_LOCK_INFO_RESPONSE = 24, 25

hislip_sessions = {}
hislip_lock = threading.Lock()
hislip_next = [1]


def hs_send(conn, kind, control, param, payload=b""):
    conn.sendall(struct.pack(">2sBBIQ", b"HS", kind, control, param, len(payload)) + payload)


def hs_recv(conn):
    head = recv_exact(conn, 16)
    prologue, kind, control, param, length = struct.unpack(">2sBBIQ", head)
    if prologue != b"HS" or length > (1 << 30):
        raise ConnectionError
    return kind, control, param, recv_exact(conn, length) if length else b""


def hislip_session(conn):
    kind, control, param, payload = hs_recv(conn)
    if kind == HS_INITIALIZE:
        inst = Instrument()
        with hislip_lock:
            sid = hislip_next[0]
            hislip_next[0] += 1
            hislip_sessions[sid] = inst
        hs_send(conn, HS_INITIALIZE_RESPONSE, 0, (0x0100 << 16) | sid)
        hislip_sync(conn, inst)
    elif kind == HS_ASYNC_INITIALIZE:
        with hislip_lock:
            inst = hislip_sessions.get(param & 0xFFFF)
        if inst is None:
            hs_send(conn, HS_FATAL, 0, 0, b"unknown session")
            return
        hs_send(conn, HS_ASYNC_INITIALIZE_RESPONSE, 0, 0x4F43)
        hislip_async(conn, inst)
    else:
        hs_send(conn, HS_FATAL, 1, 0, b"initialize first")


def hislip_sync(conn, inst):
    message = b""
    while True:
        kind, control, param, payload = hs_recv(conn)
        if kind in (HS_DATA, HS_DATA_END):
            message += payload
            if kind == HS_DATA_END:
                inst.command(message)
                inst.last_message = param
                message = b""
                if inst.output and inst.wait_answer():
                    out, inst.output = inst.output, b""
                    hs_send(conn, HS_DATA_END, 0, param, out)
        elif kind == HS_CLEAR_COMPLETE:
            message = b""
            hs_send(conn, HS_CLEAR_ACK, control & 1, 0)
        else:
            hs_send(conn, HS_ERROR, 0, 0, b"unexpected message")


def hislip_async(conn, inst):
    while True:
        kind, control, param, payload = hs_recv(conn)
        if kind == HS_ASYNC_CLEAR:
            inst.clear()
            hs_send(conn, HS_ASYNC_CLEAR_ACK, 0, 0)
        elif kind == HS_ASYNC_STATUS:
            # The status after the message the client names, once the
            # synchronous channel has taken it (briefly waited for).
            end = time.monotonic() + 0.5
            while getattr(inst, "last_message", None) != param and time.monotonic() < end:
                time.sleep(0.002)
            stb = inst.stb | (0x10 if inst.output else 0)
            hs_send(conn, HS_ASYNC_STATUS_RESPONSE, stb, 0)
        elif kind == HS_MAX_SIZE:
            hs_send(conn, HS_MAX_SIZE_RESPONSE, 0, 0, struct.pack(">Q", 1 << 30))
        elif kind == HS_ASYNC_LOCK:
            hs_send(conn, HS_ASYNC_LOCK_RESPONSE, 1, 0)
        elif kind == HS_ASYNC_LOCK_INFO:
            hs_send(conn, HS_ASYNC_LOCK_INFO_RESPONSE, 0, 0)
        else:
            hs_send(conn, HS_ERROR, 0, 0, b"unexpected message")


# ---- ONC RPC (record marking over TCP, plain datagrams over UDP)

class Xdr:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def uint(self):
        v = struct.unpack_from(">I", self.data, self.pos)[0]
        self.pos += 4
        return v

    def int(self):
        v = struct.unpack_from(">i", self.data, self.pos)[0]
        self.pos += 4
        return v

    def opaque(self):
        n = self.uint()
        if n > len(self.data) - self.pos:
            raise struct.error("opaque beyond the record")
        v = self.data[self.pos:self.pos + n]
        self.pos += (n + 3) & ~3
        return v


def pack_uint(*values):
    return b"".join(struct.pack(">I", v & 0xFFFFFFFF) for v in values)


def pack_opaque(b):
    return pack_uint(len(b)) + b + b"\0" * ((4 - len(b) % 4) % 4)


PROG_MISMATCH, PROG_UNAVAIL, PROC_UNAVAIL = 2, 1, 3


def rpc_reply(record, programs):
    """The reply as a list of buffers (a large result is not copied), or
    None for a record that is no call."""
    x = Xdr(record)
    xid, mtype, rpcvers, prog, vers, proc = (x.uint() for _ in range(6))
    x.uint(), x.opaque()  # credentials
    x.uint(), x.opaque()  # verifier
    head = pack_uint(xid, 1, 0, 0, 0)  # reply, accepted, null verifier
    if mtype != 0 or rpcvers != 2:
        return None
    table = programs.get(prog)
    if table is None:
        return [head, pack_uint(PROG_UNAVAIL)]
    versions = table["versions"]
    if vers not in versions:
        return [head, pack_uint(PROG_MISMATCH, min(versions), max(versions))]
    if proc == 0:
        return [head, pack_uint(0)]
    handler = table["procs"].get(proc)
    if handler is None:
        return [head, pack_uint(PROC_UNAVAIL)]
    result = handler(x, vers)
    return [head, pack_uint(0)] + (result if isinstance(result, list) else [result])


def rpc_tcp_session(conn, programs):
    while True:
        record = b""
        while True:
            mark = struct.unpack(">I", recv_exact(conn, 4))[0]
            record += recv_exact(conn, mark & 0x7FFFFFFF)
            if mark & 0x80000000:
                break
        reply = rpc_reply(record, programs)
        if reply is not None:
            # One fragment, sent from the buffers as they are.
            parts = [struct.pack(">I", sum(len(b) for b in reply) | 0x80000000)] + reply
            sent, total = conn.sendmsg(parts), sum(len(b) for b in parts)
            if sent < total:
                conn.sendall(b"".join(parts)[sent:])


def rpc_udp_loop(sock, programs):
    while True:
        data, peer = sock.recvfrom(65536)
        try:
            reply = rpc_reply(data, programs)
        except struct.error:
            continue
        if reply is not None:
            sock.sendto(b"".join(reply), peer)


# ---- VXI-11

ERR_TIMEOUT, ERR_ABORT, ERR_LINK = 15, 23, 4
REASON_REQCNT, REASON_CHR, REASON_END = 1, 2, 4
links = {}
links_lock = threading.Lock()
link_next = [1]


def vxi_create_link(x, vers):
    x.int(), x.uint(), x.uint(), x.opaque()  # client id, lock, lock time-out, device name
    with links_lock:
        lid = link_next[0]
        link_next[0] += 1
        links[lid] = Instrument()
    return pack_uint(0, lid, vxi_ports["abort"], 1 << 20)


def vxi_link(lid):
    with links_lock:
        return links.get(lid)


def vxi_write(x, vers):
    lid, io_timeout, lock_timeout, flags = x.uint(), x.uint(), x.uint(), x.uint()
    data = x.opaque()
    inst = vxi_link(lid)
    if inst is None:
        return pack_uint(ERR_LINK, 0)
    inst.partial = getattr(inst, "partial", b"") + data
    if flags & 0x08:
        inst.command(inst.partial)
        inst.partial = b""
    return pack_uint(0, len(data))


def vxi_read(x, vers):
    lid, size, io_timeout, lock_timeout, flags = (x.uint() for _ in range(5))
    term = x.uint() & 0xFF
    inst = vxi_link(lid)
    if inst is None:
        return pack_uint(ERR_LINK, 0) + pack_opaque(b"")
    inst.aborted = False
    if not inst.wait_answer(io_timeout / 1000.0):
        error = ERR_ABORT if getattr(inst, "aborted", False) else ERR_TIMEOUT
        return pack_uint(error, 0) + pack_opaque(b"")
    with inst.lock:
        out = inst.output
        n = min(size, len(out))
        reason = REASON_REQCNT
        if flags & 0x80:
            k = out.find(bytes([term]), 0, n)
            if k >= 0:
                n, reason = k + 1, REASON_CHR
        chunk, inst.output = out[:n], out[n:]
        if not inst.output:
            reason |= REASON_END
    return [pack_uint(0, reason, len(chunk)), chunk, b"\0" * ((4 - len(chunk) % 4) % 4)]


def vxi_readstb(x, vers):
    inst = vxi_link(x.uint())
    if inst is None:
        return pack_uint(ERR_LINK, 0)
    return pack_uint(0, inst.stb | (0x10 if inst.output else 0))


def vxi_clear(x, vers):
    inst = vxi_link(x.uint())
    if inst is None:
        return pack_uint(ERR_LINK)
    inst.clear()
    return pack_uint(0)


def vxi_ok(x, vers):
    return pack_uint(0)


def vxi_destroy(x, vers):
    with links_lock:
        inst = links.pop(x.uint(), None)
    if inst:
        inst.clear()
    return pack_uint(0 if inst else ERR_LINK)


def vxi_abort(x, vers):
    inst = vxi_link(x.uint())
    if inst is None:
        return pack_uint(ERR_LINK)
    inst.aborted = True
    inst.cancel.set()
    return pack_uint(0)


vxi_ports = {"core": 0, "abort": 0}
DEVICE_CORE, DEVICE_ASYNC, PORTMAP = 0x0607AF, 0x0607B0, 100000

CORE = {DEVICE_CORE: {"versions": [1], "procs": {
    10: vxi_create_link, 11: vxi_write, 12: vxi_read, 13: vxi_readstb, 14: vxi_ok, 15: vxi_clear,
    16: vxi_ok, 17: vxi_ok, 18: vxi_ok, 19: vxi_ok, 23: vxi_destroy}}}
ABORT = {DEVICE_ASYNC: {"versions": [1], "procs": {1: vxi_abort}}}


def registered_port(prog, vers, tcp=True):
    if not tcp:
        return 0
    if prog == DEVICE_CORE and vers == 1:
        return vxi_ports["core"]
    if prog == DEVICE_ASYNC and vers == 1:
        return vxi_ports["abort"]
    return 0


def pmap_getport(x, vers):
    """Version 2 GETPORT, and versions 3 and 4 GETADDR with a universal
    address, both procedure 3."""
    if vers == 2:
        prog, pvers, prot, _ = (x.uint() for _ in range(4))
        return pack_uint(registered_port(prog, pvers, prot == 6))
    prog, pvers = x.uint(), x.uint()
    netid = x.opaque().decode(errors="replace")
    x.opaque(), x.opaque()
    port = registered_port(prog, pvers, netid.startswith("tcp"))
    if port == 0:
        return pack_opaque(b"")
    host = "::1" if netid == "tcp6" else "127.0.0.1"
    return pack_opaque(("%s.%d.%d" % (host, port >> 8, port & 0xFF)).encode())


PORTMAPPER = {PORTMAP: {"versions": [2, 3, 4], "procs": {3: pmap_getport}}}


def main():
    ap = argparse.ArgumentParser(description="Simulated LAN oscilloscope (raw SCPI, VXI-11, HiSLIP)")
    ap.add_argument("--host", action="append", help="address to serve on (repeatable; default 127.0.0.1)")
    ap.add_argument("--socket-port", type=int, default=5025)
    ap.add_argument("--hislip-port", type=int, default=4880)
    ap.add_argument("--portmapper", type=int, default=111)
    ap.add_argument("--no-portmapper", action="store_true")
    ap.add_argument("--slow", type=float, default=10.0, help="seconds SLOW? takes")
    args = ap.parse_args()
    hosts = args.host or ["127.0.0.1"]
    for h in hosts:
        if h not in ("127.0.0.1", "::1", "localhost") and not h.startswith("127."):
            sys.exit("only loopback addresses are served")
    Instrument.slow_seconds = args.slow

    socks, port = listen(hosts, args.socket_port)
    serve(socks, socket_session)
    print("SOCKET", port)
    socks, port = listen(hosts, args.hislip_port)
    serve(socks, hislip_session)
    print("HISLIP", port)
    core, vxi_ports["core"] = listen(hosts, 0)
    abort, vxi_ports["abort"] = listen(hosts, 0)
    serve(core, lambda c: rpc_tcp_session(c, CORE))
    serve(abort, lambda c: rpc_tcp_session(c, ABORT))
    print("VXI11", vxi_ports["core"], "ABORT", vxi_ports["abort"])
    if not args.no_portmapper:
        try:
            tcp, port = listen(hosts, args.portmapper)
            udp, _ = listen(hosts, port, socket.SOCK_DGRAM)
        except OSError as e:
            sys.exit("cannot serve the port mapper on port %d (%s): see --help" % (args.portmapper, e))
        serve(tcp, lambda c: rpc_tcp_session(c, PORTMAPPER))
        for s in udp:
            threading.Thread(target=rpc_udp_loop, args=(s, PORTMAPPER), daemon=True).start()
        print("PORTMAPPER", port)
    try:
        print("READY", flush=True)
    except BrokenPipeError:
        pass
    # Whoever started it may stop listening now.
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 1)
    try:
        # Ends with its parent: a test that started it closes the pipe.
        sys.stdin.read() if not sys.stdin.isatty() else threading.Event().wait()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
