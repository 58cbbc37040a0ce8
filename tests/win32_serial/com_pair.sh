#!/usr/bin/env bash
# Joins two COM ports of the Wine prefix like a null-modem cable: COM41 and
# COM42 are the slave sides of two ptys whose masters a small relay copies
# into each other. "start" leaves the relay running in the background and
# returns once both ports exist; "stop" ends it and removes the ports.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
devices="$WINEPREFIX/dosdevices"
pidfile="$WINEPREFIX/mirelon-com-pair.pid"

stop() {
  if [ -f "$pidfile" ]; then
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  fi
  rm -f "$devices/com41" "$devices/com42"
}

case "${1:-}" in
  start)
    stop
    mkdir -p "$devices"
    setsid python3 - "$devices" "$pidfile" >/dev/null 2>&1 </dev/null <<'PY' &
import fcntl, os, pty, select, sys, termios, time, tty

devices, pidfile = sys.argv[1], sys.argv[2]
a_master, a_slave = pty.openpty()
b_master, b_slave = pty.openpty()
# Raw lines, held open so that the ptys never hang up between opens.
tty.setraw(a_slave)
tty.setraw(b_slave)

# Each pty becomes the controlling terminal of a small session of ours.
# Otherwise the first process without one that opens the port (the
# wineserver) would get it, and the hang-up when the relay ends would
# kill that process.
def hold(slave):
    parent = os.getpid()
    if os.fork() == 0:
        os.setsid()
        fcntl.ioctl(slave, termios.TIOCSCTTY, 0)
        while os.getppid() == parent:
            time.sleep(0.5)
        os._exit(0)

hold(a_slave)
hold(b_slave)
os.symlink(os.ttyname(a_slave), os.path.join(devices, "com41"))
os.symlink(os.ttyname(b_slave), os.path.join(devices, "com42"))
with open(pidfile, "w") as f:
    f.write(str(os.getpid()))
for fd in (a_master, b_master):
    os.set_blocking(fd, False)
other = {a_master: b_master, b_master: a_master}
pending = {a_master: b"", b_master: b""}  # bytes waiting to go out of each master
while True:
    readable = [fd for fd in other if len(pending[other[fd]]) < 65536]
    writable = [fd for fd in other if pending[fd]]
    r, w, _ = select.select(readable, writable, [], 1.0)
    for fd in r:
        try:
            pending[other[fd]] += os.read(fd, 4096)
        except (BlockingIOError, OSError):
            pass
    for fd in w:
        try:
            n = os.write(fd, pending[fd])
            pending[fd] = pending[fd][n:]
        except (BlockingIOError, OSError):
            pass
PY
    for _ in $(seq 100); do
      [ -L "$devices/com41" ] && [ -L "$devices/com42" ] && [ -f "$pidfile" ] && exit 0
      sleep 0.05
    done
    echo "the COM port relay did not start" >&2
    exit 1
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
