#!/usr/bin/env python3
"""A simulated measurement peer on UDP, to dry-run macros without hardware.
Listens on 127.0.0.1 (port 5025 unless --port says otherwise) and answers
each datagram to its sender:

  *IDN?    identification
  MEAS?    one noisy reading as text
  SCAN?    a block of 100 bytes (a noisy Gaussian peak, 0..255)

Stop it with Ctrl+C.

Usage: udp_peer.py [--port P] [--seconds N]
"""

import argparse
import math
import random
import socket
import time


def answer(query):
    if query == b"*IDN?":
        return b"OSTRA SIMULATED INSTRUMENT,UDP,0,1.0"
    if query == b"MEAS?":
        return ("%+.6E" % (0.5 + random.gauss(0, 0.001))).encode()
    if query == b"SCAN?":
        return bytes(min(255, max(0, int(200 * math.exp(-((k - 50) / 12.0) ** 2) + random.uniform(0, 20))))
                     for k in range(100))
    return b""


def main():
    parser = argparse.ArgumentParser(description="Simulated UDP measurement peer")
    parser.add_argument("--port", type=int, default=5025)
    parser.add_argument("--seconds", type=float, default=0, help="stop after this many seconds (0: never)")
    args = parser.parse_args()
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", args.port))
    sock.settimeout(0.1)
    print("listening on 127.0.0.1 port %d" % sock.getsockname()[1], flush=True)
    end = time.monotonic() + args.seconds if args.seconds > 0 else None
    try:
        while end is None or time.monotonic() < end:
            try:
                data, sender = sock.recvfrom(4096)
            except socket.timeout:
                continue
            reply = answer(data.strip())
            if reply:
                sock.sendto(reply, sender)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
