#!/usr/bin/env python3
"""The far end of a COM port under Wine: a pseudo-terminal whose slave Wine opens as the port.

Prints the TCP port of its control channel on the first line of standard output, then serves
one line-based control connection at a time on 127.0.0.1:
  SEND <hex>            writes the bytes to the line (the program reads them)
  RECV <count> <ms>     reads up to count bytes within ms; answers "OK <hex>"
  DISCARD               reads and drops whatever is waiting; answers "OK <count>"
  TERMIOS               the slave's line settings: "OK speed=4800 csize=8 cstopb=1 ..."
  CHARS <xon> <xoff>    sets the line's flow-control characters (decimal), as a driver may
                        report them
  HANGUP                closes the line: the program sees its device go away
  REPLUG                a new pseudo-terminal behind the same link: the device is back
  QUIT
The program opens the link given with --link (a symbolic link to the slave), which Wine's
port mapping names, so REPLUG brings the port back without restarting Wine.
"""
import argparse
import os
import select
import socket
import sys
import termios
import threading
import time
import tty

SPEEDS = {getattr(termios, name): int(name[1:]) for name in dir(termios)
          if name.startswith("B") and name[1:].isdigit()}


class Line:
    def __init__(self, link):
        self.link = link
        self.master = self.slave = -1
        self.open()

    def open(self):
        self.master, self.slave = os.openpty()
        # The master passes bytes as they are; the slave is what the program configures.
        tty.setraw(self.master)
        tty.setraw(self.slave)
        path = os.ttyname(self.slave)
        tmp = self.link + ".new"
        if os.path.lexists(tmp):
            os.unlink(tmp)
        os.symlink(path, tmp)
        os.replace(tmp, self.link)

    def close(self):
        for fd in (self.master, self.slave):
            if fd >= 0:
                os.close(fd)
        self.master = self.slave = -1

    def send(self, data):
        view = memoryview(data)
        while view:
            select.select([], [self.master], [], 5)
            put = os.write(self.master, view)
            view = view[put:]

    def receive(self, count, ms):
        got = bytearray()
        deadline = time.monotonic() + ms / 1000
        while len(got) < count:
            left = deadline - time.monotonic()
            if left <= 0:
                break
            ready, _, _ = select.select([self.master], [], [], left)
            if ready:
                got += os.read(self.master, count - len(got))
        return bytes(got)

    def discard(self):
        total = 0
        while select.select([self.master], [], [], 0.05)[0]:
            total += len(os.read(self.master, 65536))
        return total

    def set_chars(self, xon, xoff):
        attributes = termios.tcgetattr(self.slave)
        attributes[6][termios.VSTART] = bytes([xon])
        attributes[6][termios.VSTOP] = bytes([xoff])
        termios.tcsetattr(self.slave, termios.TCSANOW, attributes)

    def settings(self):
        iflag, oflag, cflag, lflag, ispeed, ospeed, cc = termios.tcgetattr(self.slave)
        sizes = {termios.CS5: 5, termios.CS6: 6, termios.CS7: 7, termios.CS8: 8}
        fields = {
            "speed": SPEEDS.get(ospeed, -1),
            "ispeed": SPEEDS.get(ispeed, -1),
            "csize": sizes[cflag & termios.CSIZE],
            "cstopb": int(bool(cflag & termios.CSTOPB)),
            "parenb": int(bool(cflag & termios.PARENB)),
            "parodd": int(bool(cflag & termios.PARODD)),
            "crtscts": int(bool(cflag & termios.CRTSCTS)),
            "ixon": int(bool(iflag & termios.IXON)),
            "ixoff": int(bool(iflag & termios.IXOFF)),
            "translate": int(bool(iflag & (termios.ICRNL | termios.INLCR | termios.IGNCR |
                                           termios.ISTRIP))),
            "opost": int(bool(oflag & termios.OPOST)),
            "icanon": int(bool(lflag & (termios.ICANON | termios.ECHO | termios.ISIG))),
            "vstart": cc[termios.VSTART][0] if isinstance(cc[termios.VSTART], bytes)
            else cc[termios.VSTART],
            "vstop": cc[termios.VSTOP][0] if isinstance(cc[termios.VSTOP], bytes)
            else cc[termios.VSTOP],
        }
        return " ".join(f"{key}={value}" for key, value in fields.items())


def serve(line, connection):
    stream = connection.makefile("rwb", buffering=0)
    for raw in stream:
        words = raw.decode().split()
        if not words:
            continue
        command, args = words[0], words[1:]
        try:
            if command == "SEND":
                line.send(bytes.fromhex(args[0] if args else ""))
                reply = "OK"
            elif command == "TRICKLE":
                # TRICKLE hex piece gap_ms: the bytes in pieces with a pause after each, as a
                # receiver streams at its line rate; answered at once, sent meanwhile.
                data, piece, gap = bytes.fromhex(args[0]), int(args[1]), int(args[2]) / 1000

                def trickle():
                    for start in range(0, len(data), piece):
                        line.send(data[start:start + piece])
                        time.sleep(gap)

                threading.Thread(target=trickle, daemon=True).start()
                reply = "OK"
            elif command == "RECV":
                reply = "OK " + line.receive(int(args[0]), int(args[1])).hex()
            elif command == "DISCARD":
                reply = f"OK {line.discard()}"
            elif command == "TERMIOS":
                reply = "OK " + line.settings()
            elif command == "CHARS":
                line.set_chars(int(args[0]), int(args[1]))
                reply = "OK"
            elif command == "HANGUP":
                line.close()
                reply = "OK"
            elif command == "REPLUG":
                line.close()
                line.open()
                reply = "OK"
            elif command == "QUIT":
                stream.write(b"OK\n")
                return False
            else:
                reply = "ERR unknown command"
        except (OSError, ValueError, IndexError) as error:
            reply = f"ERR {error}"
        stream.write((reply + "\n").encode())
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--link", required=True, help="the symbolic link Wine's COM port names")
    options = parser.parse_args()
    line = Line(options.link)
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    print(server.getsockname()[1], flush=True)
    while True:
        connection, _ = server.accept()
        with connection:
            if not serve(line, connection):
                break
    line.close()
    if os.path.lexists(options.link):
        os.unlink(options.link)


if __name__ == "__main__":
    sys.exit(main())
