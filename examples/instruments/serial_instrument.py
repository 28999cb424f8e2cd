#!/usr/bin/env python3
"""A simulated serial instrument on a pseudo-terminal, to dry-run macros
without hardware. Prints the device path to give the calculator as
OSTRA_SERIAL_<n>, then answers commands ended by CR:

  *IDN?    identification line
  MEAS?    one noisy reading (a voltage near 1.25 V)
  CURVE?   a block of 64 bytes (a sine wave, 0..255), no terminator
  RATE x   sets the reading's nominal value to x

Answers end with CR LF. Stop it with Ctrl+C.

Usage: serial_instrument.py [--seconds N]
"""

import argparse
import math
import os
import pty
import random
import select
import sys
import time
import tty


def answer(command, state):
    if command == "*IDN?":
        return b"OSTRA SIMULATED INSTRUMENT,SERIAL,0,1.0\r\n"
    if command == "MEAS?":
        value = state["nominal"] + random.gauss(0, 0.002)
        return ("%+.6E\r\n" % value).encode()
    if command == "CURVE?":
        return bytes(int(127.5 + 127.5 * math.sin(2 * math.pi * k / 64)) for k in range(64))
    if command.startswith("RATE "):
        try:
            state["nominal"] = float(command[5:])
        except ValueError:
            pass
        return b""
    return b""


def main():
    parser = argparse.ArgumentParser(description="Simulated serial instrument on a pseudo-terminal")
    parser.add_argument("--seconds", type=float, default=0, help="stop after this many seconds (0: never)")
    args = parser.parse_args()

    master, slave = pty.openpty()
    tty.setraw(slave)
    path = os.ttyname(slave)
    print(path, flush=True)
    print("export OSTRA_SERIAL_0=%s   # then run a macro that uses port 0" % path, file=sys.stderr, flush=True)
    # Keep the slave open ourselves, so that the device stays usable between
    # two runs of the calculator.
    state = {"nominal": 1.25}
    line = b""
    end = time.monotonic() + args.seconds if args.seconds > 0 else None
    try:
        while end is None or time.monotonic() < end:
            ready, _, _ = select.select([master], [], [], 0.1)
            if not ready:
                continue
            data = os.read(master, 4096)
            for byte in data:
                if byte == 13:
                    reply = answer(line.decode("latin-1").strip(), state)
                    if reply:
                        os.write(master, reply)
                    line = b""
                elif byte != 10:
                    line += bytes([byte])
    except KeyboardInterrupt:
        pass
    finally:
        os.close(master)
        os.close(slave)


if __name__ == "__main__":
    main()
