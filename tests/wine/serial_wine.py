#!/usr/bin/env python3
"""Far end of the line for serial_wine.exe: a pseudo-terminal whose slave Wine opens as COM5.

Every byte received is answered with that byte XOR 0x5A, so the program sees that its bytes
crossed the line and came back from the far side (not from a local echo). The byte 0x3F is a
question instead: the answer is "S<speed>\\n" with the line speed the slave side is set to, so the
program can check that its settings reached the line. Nothing is ever sent unasked.

Usage: serial_wine.py <file>   writes the slave's path into <file> once the line is ready, then
                               serves until it is terminated.
"""
import os
import pty
import select
import signal
import sys
import termios
import time
import tty

SPEEDS = {getattr(termios, name): int(name[1:]) for name in dir(termios)
          if name.startswith("B") and name[1:].isdigit()}


STALL_SECONDS = 6


def answer(data, slave):
    out = bytearray()
    for byte in data:
        if byte == 0x3E:
            time.sleep(STALL_SECONDS)
        elif byte == 0x3F:
            speed = SPEEDS.get(termios.tcgetattr(slave)[5], 0)
            out += b"S%d\n" % speed
        else:
            out.append(byte ^ 0x5A)
    return bytes(out)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    master, slave = pty.openpty()
    # The slave stays open here, so the line lives while Wine opens and closes it, and starts
    # raw: no echo, no line editing, no CR/LF mapping.
    tty.setraw(slave)
    path = os.ttyname(slave)
    ready = sys.argv[1]
    with open(ready + ".tmp", "w") as f:
        f.write(path + "\n")
    os.replace(ready + ".tmp", ready)

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while True:
        readable, _, _ = select.select([master], [], [], 1.0)
        if not readable:
            continue
        try:
            data = os.read(master, 4096)
        except OSError:
            continue
        reply = answer(data, slave)
        while reply:
            reply = reply[os.write(master, reply):]


if __name__ == "__main__":
    sys.exit(main())
