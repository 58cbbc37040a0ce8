#!/usr/bin/env python3
"""One meeting under load: runners and simulated terminals post for a while
with faults injected on a schedule; afterwards every message is accounted
for and the figures are printed as a table. scripts/soak runs it."""
import argparse
import heapq
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

CELL = 0x2800
ID_RE = re.compile('[\u2801-\u283f]{4}')  # a whole line: a message's body
HEADER_RE = re.compile(r'^(\d+): (.*)$')
IN_MARK, OUT_MARK = '入室 ', '退室 '
HANG_S = 60  # a generous bound for anything asked to end


def make_id(source, seq):
    digits = [source + 1, seq // 63 // 63 % 63 + 1, seq // 63 % 63 + 1, seq % 63 + 1]
    return ''.join(chr(CELL + d) for d in digits)


class Proc:
    """A child on pipes; every stdout line is kept with the time it arrived."""

    def __init__(self, name, argv, env, folder):
        self.name, self.lines, self.asked = name, [], False
        self.stderr_path = os.path.join(folder, f'{name}.{int(time.monotonic() * 1000)}.err')
        self.p = subprocess.Popen(argv, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=open(self.stderr_path, 'wb'))
        self.started = time.monotonic()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for raw in self.p.stdout:
            self.lines.append((time.monotonic(), raw.decode('utf-8', 'replace').rstrip('\r\n')))

    def send(self, text):
        try:
            self.p.stdin.write((text + '\n').encode())
            self.p.stdin.flush()
            return True
        except (BrokenPipeError, ValueError):
            return False

    def close(self):
        """Asks it to end (end of input); returns its exit code, None when it hung."""
        self.asked = True
        try:
            self.p.stdin.close()
        except BrokenPipeError:
            pass
        try:
            return self.p.wait(HANG_S)
        except subprocess.TimeoutExpired:
            self.p.kill()
            self.p.wait()
            return None

    def rss_kb(self):
        try:
            with open(f'/proc/{self.p.pid}/status') as f:
                return next(int(l.split()[1]) for l in f if l.startswith('VmRSS:'))
        except (OSError, StopIteration):
            return None

    def cpu_s(self):
        try:
            with open(f'/proc/{self.p.pid}/stat') as f:
                fields = f.read().rsplit(')', 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')
        except OSError:
            return None


def winpath(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def parse_talk(lines):
    """Records as a runner prints them: [(time, number, header, ids)]."""
    records, current = [], None
    previous_blank = True
    for t, line in lines:
        m = HEADER_RE.match(line)
        if m and previous_blank:
            current = [t, int(m.group(1)), m.group(2), []]
            records.append(current)
        elif current is not None and ID_RE.fullmatch(line):
            current[3].append((t, line))
        previous_blank = not line
    return records


class Soak:
    def __init__(self, a):
        self.a, self.rng = a, random.Random(a.seed)
        self.dir = tempfile.mkdtemp(prefix='mirelon-soak-')
        self.env = dict(os.environ, XDG_CONFIG_HOME=self.dir, LC_ALL='C.UTF-8')
        self.talk = os.path.join(self.dir, 'soak.meeting')
        self.sent = {}       # id -> (time, source name, incarnation)
        self.seq = 0
        self.runners = {}    # index -> list of incarnations (Proc)
        self.terminals = []  # (kind, Proc, link, user, runner index)
        self.killed, self.restarted = a.runners - 1, a.runners - 2
        self.quiet = set()   # sources that do not post now
        self.faults = {}
        self.failures = []
        self.memory = {}
        self.codes = {}      # Proc -> exit code once asked to end (None: it hung)

    # --- the participants ---
    def cli(self, *args):
        return [self.a.cli, *args]

    def start_runner(self, i):
        argv = self.cli('--user', f'r{i}', self.talk)
        argv += [f'/t{{Port:{link};Port2:NULL;Speed:38400;Protocol:{proto};User:{user};}}'
                 for kind, _, link, user, ri, proto in self.terminal_plan if ri == i]
        self.runners.setdefault(i, []).append(Proc(f'r{i}', argv, self.env, self.dir))

    def live_runners(self):
        return [p for ps in self.runners.values() for p in ps[-1:] if not p.asked]

    def post_runner(self, i, burst):
        p = self.runners[i][-1]
        for _ in range(burst):
            ident = self.next_id(len(self.terminal_plan) + i)
            self.sent[ident] = (time.monotonic(), p.name, p)
            p.send(ident)

    def post_terminal(self, j):
        ident = self.next_id(j)
        self.terminals[j][1].send('post ' + ident)
        self.sent[ident] = (time.monotonic(), f't{j}', self.terminals[j][1])

    def next_id(self, source):
        self.seq += 1
        return make_id(source, self.seq)

    def terminal_events(self, j, *kinds):
        return [(float(t), e, rest) for t, e, rest in
                (l.split(' ', 2) + [''] * (3 - len(l.split(' ', 2))) for _, l in self.terminals[j][1].lines)
                if e in kinds]

    def connected(self, j):
        last = self.terminal_events(j, 'open', 'end', 'unplugged')
        return bool(last) and last[-1][1] == 'open'

    def wait_for(self, condition, seconds, poll=0.2):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if condition():
                return True
            time.sleep(poll)
        return False

    def shown_everywhere(self, idents):
        """Every live runner showed them all, and every connected chat terminal got the last."""
        for p in self.live_runners() + [self.idle]:
            if not idents <= {l for _, l in p.lines}:
                return False
        last = max(idents, key=lambda i: self.sent[i][0])
        return all(not self.connected(j) or any(rest == last for _, _, rest in self.terminal_events(j, 'line'))
                   for j, t in enumerate(self.terminals) if t[0] == 'chat')

    # --- the run ---
    def run(self):
        a = self.a
        kinds = ['chat', 'writer', 'chat', 'browse'][:a.terminals]
        protocol = {'chat': 2, 'browse': 0, 'writer': 1}
        self.terminal_plan = [(k, None, os.path.join(self.dir, f'term{j}'), f't{j}', j, protocol[k])
                              for j, k in enumerate(kinds)]
        subprocess.run(self.cli('--user', 'owner', '--create', '--description', 'soak', '--post', 'start',
                                self.talk), env=self.env, check=True, capture_output=True)
        for j, (kind, _, link, user, ri, _) in enumerate(self.terminal_plan):
            t = Proc(f't{j}', [a.terminal, link, kind, str(a.seed + j)], self.env, self.dir)
            self.terminals.append((kind, t, link, user, ri))
        self.wait_for(lambda: all(os.path.islink(t[2]) for t in self.terminals), 10)
        for i in range(a.runners):
            self.start_runner(i)
        self.idle = Proc('idle', self.cli('--user', 'idle', self.talk), self.env, self.dir)
        self.window = None
        if a.window:
            # The talk window under Wine, driven by its probe (Wine's own
            # environment: prefix, display, Japanese locale).
            self.window = Proc('window', ['wine', a.window, winpath(a.window_program), winpath(self.talk)],
                               os.environ, self.dir)
            if not self.wait_for(lambda: self.window_events('window'), 180):
                sys.exit('soak: the talk window did not open')
            self.window_user = self.window_events('window')[0][1]
        threading.Thread(target=self.watch_folder, daemon=True).start()
        self.t0 = time.monotonic()
        duration = a.minutes * 60
        events = []
        for j, (kind, *_rest) in enumerate(self.terminals):
            heapq.heappush(events, (self.t0 + self.rng.uniform(1, 5), f'term {j}'))
        for i in range(a.runners):
            heapq.heappush(events, (self.t0 + self.rng.uniform(1, 5), f'runner {i}'))
        if self.window:
            heapq.heappush(events, (self.t0 + self.rng.uniform(1, 5), 'window'))
        rubbish = min(60, duration / 4)
        for at, what in [(0.2, 'unplug'), (0.35, 'kill'), (0.45, 'rubbish'), (0.75, 'restart')]:
            heapq.heappush(events, (self.t0 + at * duration, what))
        heapq.heappush(events, (self.t0 + 5, 'memory start'))
        heapq.heappush(events, (self.t0 + min(60, duration / 2), 'memory settled'))
        end = self.t0 + duration
        while events and events[0][0] < end:
            at, what = heapq.heappop(events)
            time.sleep(max(0, at - time.monotonic()))
            verb, _, arg = what.partition(' ')
            if verb == 'runner':
                i = int(arg)
                if i not in self.quiet and not self.runners[i][-1].asked:
                    self.post_runner(i, self.rng.randint(4, 10) if self.rng.random() < 0.1 else 1)
                heapq.heappush(events, (at + self.rng.expovariate(1 / a.interval), what))
            elif verb == 'term':
                j = int(arg)
                kind, t = self.terminals[j][:2]
                if f't{j}' not in self.quiet and self.connected(j):
                    if kind == 'browse':
                        t.send(f'key 0 0 {self.rng.choice([1, 2])}')
                    else:
                        self.post_terminal(j)
                heapq.heappush(events, (at + self.rng.expovariate(1 / a.interval), what))
            elif verb == 'memory':
                self.measure(arg)
            elif verb == 'window':
                ident = self.next_id(a.terminals + a.runners)
                self.sent[ident] = (time.monotonic(), 'window', self.window)
                self.window.send('type ' + ident)
                heapq.heappush(events, (at + self.rng.expovariate(1 / a.interval), what))
            elif verb == 'unplug':
                self.quiet.add('t0')
                self.settle('t0')
                self.faults['unplug'] = time.monotonic()
                self.terminals[0][1].send('unplug')
                heapq.heappush(events, (time.monotonic() + 10, 'plug'))
            elif verb == 'plug':
                self.terminals[0][1].send('plug')
                self.quiet.discard('t0')
            elif verb == 'kill':
                i = self.killed
                self.quiet.add(i)
                # Killed once the first few lines of a burst are stored:
                # in the middle of its writes.
                before = len(os.listdir(self.dir))
                self.post_runner(i, 40)
                self.wait_for(lambda: len(os.listdir(self.dir)) >= before + 3, 10, 0.0005)
                self.runners[i][-1].p.send_signal(signal.SIGKILL)
                self.runners[i][-1].asked = True
                self.faults['kill'] = time.monotonic()
            elif verb == 'rubbish':
                self.quiet.add('t1')
                self.settle('t1')
                self.faults['rubbish'] = time.monotonic()
                stop = time.monotonic() + rubbish
                # A frame left unfinished swallows what follows until reads
                # time out (3 s, twice at most): the terminal's user types
                # again after that.
                heapq.heappush(events, (stop + 8, 'clean'))
                heapq.heappush(events, (time.monotonic(), 'junk'))
                self.rubbish_until, self.rubbish_for = stop, rubbish
            elif verb == 'junk':
                if time.monotonic() < self.rubbish_until:
                    self.terminals[1][1].send('rubbish')
                    heapq.heappush(events, (time.monotonic() + self.rng.uniform(0.05, 0.5), what))
            elif verb == 'clean':
                self.quiet.discard('t1')
            elif verb == 'restart':
                i = self.restarted
                self.quiet.add(i)
                p = self.runners[i][-1]
                self.codes[p] = p.close()
                self.faults['restart'] = time.monotonic()
                self.start_runner(i)
                self.quiet.discard(i)
        time.sleep(max(0, end - time.monotonic()))
        self.finish()

    def settle(self, source):
        """Waits until what the source posted last is shown by every runner."""
        mine = {k for k, v in self.sent.items() if v[1] == source}
        if mine:
            self.wait_for(lambda: self.shown_everywhere(mine), 30)

    def finish(self):
        print(f'soak: posting stops at {time.monotonic() - self.t0:.0f} s', file=sys.stderr)
        self.stop_posting = time.monotonic()
        killed = self.runners[self.killed][0]
        self.wait_for(lambda: self.shown_everywhere({i for i, v in self.sent.items() if v[2] is not killed}),
                      2 * HANG_S)
        self.measure('end')
        self.cpu = {p.name: (p.cpu_s(), time.monotonic() - p.started) for p in self.live_runners() + [self.idle]}
        self.there = {p.name for p in self.live_runners()} | {'idle'} | {t[3] for t in self.terminals}
        if self.window:
            self.there.add(self.window_user)
        members = subprocess.run(self.cli('--members', self.talk), env=self.env, capture_output=True,
                                 timeout=HANG_S)
        self.members_present = members.stdout.decode()
        print(f'soak: ending at {time.monotonic() - self.t0:.0f} s', file=sys.stderr)
        self.died = [p.name for p in self.all_procs() if not p.asked and p.p.poll() is not None]
        for p in [p for ps in self.runners.values() for p in ps if not p.asked and p.p.poll() is None]:
            self.codes[p] = p.close()
        self.codes[self.idle] = self.idle.close()
        for t in self.terminals:
            t[1].send('quit')
            self.codes[t[1]] = t[1].close()
        if self.window:
            self.codes[self.window] = self.window.close()
            closed = self.window_events('closed')
            self.window_closed = closed[0][1] if closed else 'never'
        dump = subprocess.run(self.cli('--dump', self.talk), env=self.env, capture_output=True, timeout=HANG_S)
        self.dump = parse_talk([(0, l) for l in dump.stdout.decode().split('\n')])
        members = subprocess.run(self.cli('--members', self.talk), env=self.env, capture_output=True,
                                 timeout=HANG_S)
        self.members_after = members.stdout.decode()

    def all_procs(self):
        return ([p for ps in self.runners.values() for p in ps] + [self.idle] + [t[1] for t in self.terminals]
                + ([self.window] if self.window else []))

    def measure(self, when):
        self.memory[when] = {p.name: p.rss_kb() for p in self.live_runners() + [self.idle]}
        if self.window:
            self.window.send('measure')

    def window_events(self, kind):
        return [(t, l[len(kind) + 1:]) for t, l in self.window.lines if l.startswith(kind + ' ')]

    def watch_folder(self):
        """When each message's record appeared in the talk's folder."""
        self.stored_at, seen = {}, set()
        while True:
            for name in os.listdir(self.dir):
                if name.startswith('soak.meeting:Msg') and name not in seen:
                    seen.add(name)
                    try:
                        with open(os.path.join(self.dir, name), 'rb') as f:
                            raw = f.read()
                    except OSError:
                        continue
                    now = time.monotonic()
                    for text in (raw.decode('utf-8', 'replace'), raw.decode('utf-16-le', 'replace')):
                        for i in ID_RE.findall(text):
                            self.stored_at.setdefault(i, now)
            time.sleep(0.05)

    # --- the checks and the figures ---
    def check(self, name, ok, detail=''):
        self.rows.append((name, 'ok' if ok else 'FAILED', detail))
        if not ok:
            self.failures.append(name)

    def report(self):
        self.rows = []
        stored = [(n, i) for _, n, h, ids in self.dump for _, i in ids]
        order = {i: n for n, i in stored}
        count = {}
        for _, i in stored:
            count[i] = count.get(i, 0) + 1
        killed = self.runners[self.killed][0]
        lost = [i for i, (_, _, p) in self.sent.items() if count.get(i, 0) != 1 and not (p is killed and i not in count)]
        unknown = [i for i in count if i not in self.sent]
        mine = [i for i, v in self.sent.items() if v[2] is killed]
        strays = [f for f in os.listdir(self.dir) if f.startswith('.soak.meeting~')]
        self.check('every message stored exactly once', not lost and not unknown and len(self.sent) > 0,
                   f'{len(order)} of {len(self.sent)} sent; wrong: {len(lost)} {lost[:3]}, unknown: {len(unknown)}')
        # Each fault happened: the kill came in the middle of a burst.
        killed_stored = sum(1 for i in mine if i in count)
        self.check('each fault was injected', 'unplug' in self.faults and 0 < killed_stored < len(mine)
                   and 'rubbish' in self.faults and len(self.runners[self.restarted]) == 2,
                   f'the killed runner stored {killed_stored} of its last {len(mine)} lines and left'
                   f' {len(strays)} temporary files; a terminal sent rubbish for {self.rubbish_for:.0f} s')

        # Each runner shows the talk in number order with no gap, and the
        # ones still there at the end show all of it.
        ids_by_number = sorted(stored)
        bad = []
        for p in [p for ps in self.runners.values() for p in ps] + [self.idle]:
            seen = [(n, i) for _, n, _, ids in parse_talk(p.lines) for _, i in ids]
            numbers = [n for n, _ in seen]
            upto = max(numbers, default=0)
            expected = [x for x in ids_by_number if x[0] <= upto]
            at_end = p is self.idle or (p is not killed and any(p is ps[-1] for ps in self.runners.values()))
            if seen != expected or (at_end and upto != ids_by_number[-1][0]):
                missing = sorted(set(expected) - set(seen))
                bad.append(f'{p.name}: {len(seen)} shown, {len(missing)} missing {missing[:2]}')
        self.check('every runner showed every message once, in order', not bad, '; '.join(bad[:3]))

        # Chat terminals: every message posted since the terminal first
        # connected arrives once and in order; one that was unplugged goes
        # on from its place when it is back.
        bad = []
        for j, (kind, t, *_r) in enumerate(self.terminals):
            if kind != 'chat':
                continue
            opened = min((at for at, _, _ in self.terminal_events(j, 'open')), default=None)
            got = [i for _, _, i in self.terminal_events(j, 'line') if ID_RE.fullmatch(i)]
            numbers = [order.get(i, -1) for i in got]
            want = {i for i, (st, _, _) in self.sent.items() if i in order and opened and opened < st}
            missing = want - set(got)
            if opened is None or numbers != sorted(set(numbers)) or missing or -1 in numbers:
                bad.append(f't{j}: {len(got)} lines, {len(missing)} missing {sorted(missing)[:2]},'
                           f' in order: {numbers == sorted(numbers)}, repeated: {len(numbers) - len(set(numbers))}')
        self.check('every chat terminal got every line, in order', not bad, '; '.join(bad[:3]))

        # In and out records pair up; the members a fresh runner lists agree.
        states, bad = {}, []
        for _, n, h, _ in self.dump:
            for mark, state in ((IN_MARK, '入室'), (OUT_MARK, '退室')):
                if h.startswith(mark):
                    name = h[len(mark):].rsplit('さん', 1)[0]
                    if states.get(name, '退室') == state:
                        bad.append(f'{name}: two {state} (record {n})')
                    states[name] = state
        killed_name = f'r{self.killed}'
        for name, state in states.items():
            if state != '退室' and name != killed_name:
                bad.append(f'{name} never left')
        self.check('in and out records pair up', not bad and states.get(killed_name) == '入室',
                   '; '.join(bad[:3]) or f'{len(states)} members')
        listed = dict(l.split('\t') for l in self.members_after.splitlines() if '\t' in l)
        present = dict(l.split('\t') for l in self.members_present.splitlines() if '\t' in l)
        there = self.there | {killed_name}  # nobody wrote its out record
        expect_present = {name: '入室' if name in there else '退室' for name in present}
        self.check('a fresh runner lists who is there', listed == states and present == expect_present
                   and self.there <= set(present), f'while running: {sorted(k for k, v in present.items() if v == "入室")}')

        # Nothing crashed or hung; everything ended when asked.
        bad = [f'{p.name}: {c}' for p, c in self.codes.items() if c != 0]
        replugged = [at for at, _, _ in self.terminal_events(0, 'open') if at > self.faults.get('unplug', 1e18)]
        if self.window and self.window_closed != '0':
            bad.append(f'talk window closed: {self.window_closed}')
        self.check('no crash or hang; all ended when asked', not bad and not self.died,
                   ', '.join(bad + [n + ' ended by itself' for n in self.died]) or f'{len(self.codes)} processes')
        self.check('the unplugged terminal came back by itself', bool(replugged),
                   f'after {replugged[0] - self.faults["unplug"] - 10:.1f} s' if replugged else 'never')

        # Figures.
        span = self.stop_posting - self.t0
        runner_lat, term_lat = [], []
        for p in [p for ps in self.runners.values() for p in ps] + [self.idle]:
            for _, n, _, ids in parse_talk(p.lines):
                for at, i in ids:
                    st, source, _ = self.sent.get(i, (None, None, None))
                    if st is not None and st > p.started and source != p.name:
                        runner_lat.append(at - st)
        for j, (kind, t, *_r) in enumerate(self.terminals):
            for at, e, i in self.terminal_events(j, 'line'):
                if i in self.sent and self.sent[i][1] != f't{j}':
                    term_lat.append(at - self.sent[i][0])
        print()
        print(f'soak: {self.a.minutes:g} min, {self.a.runners} runners (+1 idle), {self.a.terminals} terminals, seed {self.a.seed}')
        width = max(len(r[0]) for r in self.rows)
        for name, result, detail in self.rows:
            print(f'  {name:<{width}}  {result:<6}  {detail}')
        print(f'  {"messages stored per second":<{width}}  {len(order) / span:.2f}  ({len(order)} in {span:.0f} s)')
        print(f'  {"write to runner display (s)":<{width}}  {percentiles(runner_lat)}')
        print(f'  {"write to chat terminal line (s)":<{width}}  {percentiles(term_lat)}')
        to_store = [self.stored_at[i] - st for i, (st, src, _) in self.sent.items() if i in self.stored_at and src != 'window']
        print(f'  {"write to stored, runners and terminals (s)":<{width}}  {percentiles(to_store)}')
        if self.window:
            # From the command to type: the typing itself is counted in.
            typed = [self.stored_at[i] - st for i, (st, src, _) in self.sent.items() if i in self.stored_at and src == 'window']
            print(f'  {"talk window: typing to stored (s)":<{width}}  {percentiles(typed)}')
            figures = [(t - self.t0, f.split()) for t, f in self.window_events('figures')]
            for at, (gdi, user, ws) in figures[:2] + figures[-1:]:
                print(f'  {f"talk window at {at:.0f} s":<{width}}  GDI {gdi}, USER {user}, working set {ws} KiB')
        for name in sorted(self.memory.get('end', {})):
            m = [self.memory.get(k, {}).get(name) for k in ('start', 'settled', 'end')]
            per = f', {1024 * (m[2] - m[1]) / len(order):.0f} bytes per message held' if None not in m else ''
            print(f'  {"memory of " + name + " (KiB)":<{width}}  start {m[0]}, after 1 min {m[1]}, end {m[2]}{per}')
        cpu, wall = self.cpu['idle']
        print(f'  {"CPU of the idle participant":<{width}}  {100 * cpu / wall:.2f} % ({cpu:.1f} s in {wall:.0f} s)')
        print('soak: ' + ('passed' if not self.failures else 'FAILED: ' + ', '.join(self.failures)))
        return not self.failures


def percentiles(values):
    if not values:
        return 'none'
    v = sorted(values)
    pick = lambda q: v[min(len(v) - 1, int(q * len(v)))]
    return f'p50 {pick(0.5):.3f}, p95 {pick(0.95):.3f}, p99 {pick(0.99):.3f}, max {v[-1]:.3f} ({len(v)})'


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--minutes', type=float, default=10)
    ap.add_argument('--runners', type=int, default=8)
    ap.add_argument('--terminals', type=int, default=4)
    ap.add_argument('--interval', type=float,
                    help='mean seconds between posts of one participant (default 2.5 s times their number,'
                         ' which a chat terminal, one line per 500 ms tick, keeps up with)')
    ap.add_argument('--seed', type=int, default=int(time.time()))
    ap.add_argument('--cli', required=True)
    ap.add_argument('--terminal', required=True)
    ap.add_argument('--keep', action='store_true', help='keep the meeting folder')
    ap.add_argument('--window', help='the talk window probe (soak_window.exe), run under Wine')
    ap.add_argument('--window-program', help='mirelon.exe for the probe')
    a = ap.parse_args()
    a.interval = a.interval or 2.5 * (a.runners + a.terminals)
    if a.terminals < 2 or a.runners < a.terminals + 2:
        ap.error('at least 2 terminals and 2 runners more than terminals')
    soak = Soak(a)
    soak.run()
    ok = soak.report()
    if not a.keep:
        shutil.rmtree(soak.dir, ignore_errors=True)
    else:
        for p in soak.all_procs():
            with open(os.path.join(soak.dir, f'{p.name}.{int(p.started * 1000)}.out'), 'w') as f:
                f.writelines(f'{t:.6f} {l}\n' for t, l in p.lines)
        print('meeting folder:', soak.dir)
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
