#!/usr/bin/env bash
# Joins COM ports of the Wine prefix like null-modem cables: COM41 with
# COM42 and COM43 with COM44, each the slave side of a pty whose masters a
# small relay copies into each other. COM43 can be unplugged and plugged in
# again (a new pty under the same name) by creating a file named
# "unplug-com43" or "plug-com43" in C:\mirelon-com-pair; the relay removes
# the file once done. "start" leaves the relay running in the background
# and returns once the ports exist; "stop" ends it and removes the ports.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
devices="$WINEPREFIX/dosdevices"
control="$WINEPREFIX/drive_c/mirelon-com-pair"
pidfile="$WINEPREFIX/mirelon-com-pair.pid"

stop() {
  if [ -f "$pidfile" ]; then
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  fi
  rm -f "$devices/com41" "$devices/com42" "$devices/com43" "$devices/com44"
  rm -rf "$control"
}

case "${1:-}" in
  start)
    stop
    mkdir -p "$devices" "$control"
    setsid python3 - "$devices" "$pidfile" "$control" >/dev/null 2>&1 </dev/null <<'PY' &
import fcntl, os, pty, select, signal, sys, termios, time, tty

devices, pidfile, control = sys.argv[1], sys.argv[2], sys.argv[3]
signal.signal(signal.SIGCHLD, signal.SIG_IGN)

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

# A new pty under the port's name; the slave is raw and held open, so that
# the pty never hangs up between opens.
def plug(name):
    master, slave = pty.openpty()
    tty.setraw(slave)
    hold(slave)
    link = os.path.join(devices, name)
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(os.ttyname(slave), link)
    os.set_blocking(master, False)
    return master, slave

def unplug(name):
    master, slave = ports.pop(name)
    os.remove(os.path.join(devices, name))
    os.close(master)
    os.close(slave)
    pending[name] = b""

peer = {"com41": "com42", "com42": "com41", "com43": "com44", "com44": "com43"}
ports = {name: plug(name) for name in peer}
pending = {name: b"" for name in peer}  # bytes waiting to go out of each master
with open(pidfile, "w") as f:
    f.write(str(os.getpid()))
while True:
    for entry in os.listdir(control):
        action, _, name = entry.partition("-")
        if name == "com43":
            if action == "unplug" and name in ports:
                unplug(name)
            elif action == "plug" and name not in ports:
                ports[name] = plug(name)
        os.remove(os.path.join(control, entry))
    names = {ports[n][0]: n for n in ports}
    readable = [fd for fd, n in names.items() if peer[n] in ports and len(pending[peer[n]]) < 65536]
    writable = [fd for fd, n in names.items() if pending[n]]
    r, w, _ = select.select(readable, writable, [], 0.05)
    for fd in r:
        try:
            pending[peer[names[fd]]] += os.read(fd, 4096)
        except (BlockingIOError, OSError):
            pass
    for fd in w:
        try:
            n = os.write(fd, pending[names[fd]])
            pending[names[fd]] = pending[names[fd]][n:]
        except (BlockingIOError, OSError):
            pass
PY
    for _ in $(seq 100); do
      [ -L "$devices/com41" ] && [ -L "$devices/com44" ] && [ -f "$pidfile" ] && exit 0
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
