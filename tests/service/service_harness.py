#!/usr/bin/env python3
"""The firmware update service run headless with the real pieces: a private system bus with the
project's bus policy, the real polkitd in a private mount namespace (its actions and rules from
a folder of this run, nothing on the machine changed), kelm-fwupdated on a simulated enclosure,
and kelmtool run as an unprivileged user.

Each case starts all of them afresh. Exit 0: every case passed; 77: skipped (said why);
1: a case failed.
"""

import argparse
import fcntl
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
POLKITD = "/usr/lib/polkit-1/polkitd"
POLKIT_BUS_POLICY = "/usr/share/dbus-1/system.d/org.freedesktop.PolicyKit1.conf"
CLIENT_USER = "nobody"
F_SETPIPE_SZ = 1031

ALLOW_ALL = """polkit.addRule(function(action, subject) {
  if (action.id.indexOf("org.kelm.fwupdate.") == 0 && subject.user == "%s") return polkit.Result.YES;
});
""" % CLIENT_USER

IDENTIFY_ONLY = """polkit.addRule(function(action, subject) {
  if (action.id == "org.kelm.fwupdate.identify") return polkit.Result.YES;
  if (action.id.indexOf("org.kelm.fwupdate.") == 0) return polkit.Result.NO;
});
"""

# The bus's own rules, as the system bus has them: nobody owns a name or calls a method unless a
# policy file allows it.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path={socket}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Properties"/>
    <deny send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"
          send_member="UpdateActivationEnvironment"/>
  </policy>
  <include>{polkit_policy}</include>
  <include>{our_policy}</include>
</busconfig>
"""

# A JMB352 of revision 2 whose flash holds older firmware. Its path, as long as discovery takes,
# makes every trace line long, so that a dozen lines fill the trace's pipe: the service then
# waits on the test's reading.
_PREFIX = "\\\\?\\usbstor#disk&ven_kelm&prod_bridge&rev_0100#"
_SUFFIX = "&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"
DEVICE_PATH = _PREFIX + "0" * (255 - len(_PREFIX) - len(_SUFFIX)) + _SUFFIX  # discovery's longest
SCENARIO = """{"devices": [{"class": "disk", "path": "%s", "answers": {
  "Inquiry": "00 80 02 02 1f 00 00 00 4b 45 4c 4d 20 20 20 20 42 72 69 64 67 65 20 33 35 32 20 20 20 20 20 20 00 00 00 00 00 00 00 00",
  "ProbeBridge": "00 00",
  "ReadChipInfo": "f4 e7 15 2d 03 52 01 02 33 35 32 31 01 02 03 00",
  "ReadChipModel": "6a 33 35 32 00 31 00 00",
  "IdentifyFlashStep2": "ef 40 13 00",
  "ReadFlashIdentity": "06 00 00 00"},
  "serial_flash": {"size": 65536, "content": {"file": "old.bin"}}}]}
""" % DEVICE_PATH.replace("\\", "\\\\")

DEVICE_ARGUMENT = DEVICE_PATH  # named by its path, as the bench names drives
FLASH_CHANGES = ("ff0414", "ff0411", "ff0413")  # erase sector, write, erase whole flash


class Failure(Exception):
    pass


def skip_reason():
    if os.geteuid() != 0:
        return "needs root: it starts polkitd, bind-mounts its folders and runs kelmtool as %s" % CLIENT_USER
    for program in (POLKITD, shutil.which("dbus-daemon"), shutil.which("unshare"), shutil.which("setpriv")):
        if not program or not os.access(program, os.X_OK):
            return "needs polkitd (%s), dbus-daemon, unshare and setpriv" % POLKITD
    if not os.path.exists(POLKIT_BUS_POLICY):
        return "needs polkit's bus policy " + POLKIT_BUS_POLICY
    if subprocess.run(["unshare", "-m", "true"], capture_output=True).returncode != 0:
        return "cannot make a private mount namespace (unshare -m) here"
    return None


def old_flash():
    return bytes((i * 13 + 7) % 251 for i in range(65536))


class Bench:
    """One case's bus, polkitd and service, in a folder of its own."""

    def __init__(self, args, name, rules):
        self.args = args
        self.dir = tempfile.mkdtemp(prefix="kelm-service-%s-" % name)
        os.chmod(self.dir, 0o755)
        self.processes = []
        self.trace_lines = []
        self.gate = threading.Event()
        self.gate.set()
        self.changed = threading.Event()
        self.stop_at_first_change = False
        for folder in ("actions", "rules", "no-rules", "client", "state"):
            os.mkdir(self.path(folder))
            os.chmod(self.path(folder), 0o755)
        user = pwd.getpwnam(CLIENT_USER)
        os.chown(self.path("client"), user.pw_uid, user.pw_gid)
        shutil.copy(args.policy, self.path("actions"))
        if rules:
            with open(self.path("rules", "50-test.rules"), "w") as out:
                out.write(rules)
        with open(self.path("old.bin"), "wb") as out:
            out.write(old_flash())
        with open(self.path("scenario.json"), "w") as out:
            out.write(SCENARIO)
        self.env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS="unix:path=" + self.path("bus"))

    def path(self, *names):
        return os.path.join(self.dir, *names)

    def start(self):
        with open(self.path("bus.conf"), "w") as out:
            out.write(BUS_CONFIG.format(socket=self.path("bus"), polkit_policy=POLKIT_BUS_POLICY,
                                        our_policy=self.args.bus_policy))
        self.spawn(["dbus-daemon", "--config-file=" + self.path("bus.conf"), "--nofork"], "bus.log")
        self.await_file(self.path("bus"))
        # polkitd sees this run's actions and rules in place of the machine's.
        mounts = " && ".join("mount --bind %s %s" % (source, target) for source, target in (
            (self.path("actions"), "/usr/share/polkit-1/actions"),
            (self.path("rules"), "/etc/polkit-1/rules.d"),
            (self.path("no-rules"), "/usr/share/polkit-1/rules.d")))
        self.spawn(["unshare", "-m", "--propagation", "private", "sh", "-c",
                    mounts + " && exec " + POLKITD + " --no-debug"], "polkitd.log")
        self.await_name("org.freedesktop.PolicyKit1")
        self.start_service()

    def start_service(self):
        """A new service, its trace read afresh, on the bus and polkitd there are."""
        self.trace_lines = []
        self.start_trace_reader()
        self.service = self.spawn([self.args.service, "--scenario", self.path("scenario.json"),
                                   "--trace", self.path("trace"), "--dump", self.path("dump"),
                                   "--state-dir", self.path("state"), "--idle-seconds", "3600"],
                                  "service.log")
        self.await_name("org.kelm.FirmwareUpdate1")

    def spawn(self, command, log):
        process = subprocess.Popen(command, env=self.env, cwd=self.dir, stdout=open(self.path(log), "w"),
                                   stderr=subprocess.STDOUT)
        self.processes.append(process)
        return process

    def await_file(self, name):
        while not os.path.exists(name):
            time.sleep(0.02)

    def await_name(self, name):
        while True:
            if any(p.poll() is not None for p in self.processes):
                raise Failure("a process of the bench ended early; see " + self.dir)
            probe = subprocess.run(["busctl", "--address=unix:path=" + self.path("bus"), "status", name],
                                   capture_output=True)
            if probe.returncode == 0:
                return
            time.sleep(0.05)

    def start_trace_reader(self):
        """The trace is a pipe of one page, read as the service writes it; when told, reading
        stops at the first request that changes the flash, so the service waits there."""
        if os.path.exists(self.path("trace")):
            os.unlink(self.path("trace"))
        os.mkfifo(self.path("trace"))
        reader = os.open(self.path("trace"), os.O_RDONLY | os.O_NONBLOCK)
        fcntl.fcntl(reader, F_SETPIPE_SZ, 4096)
        fcntl.fcntl(reader, fcntl.F_SETFL, fcntl.fcntl(reader, fcntl.F_GETFL) & ~os.O_NONBLOCK)

        def read():
            import select
            pending = b""
            while True:
                self.gate.wait()
                select.select([reader], [], [])
                chunk = os.read(reader, 1)  # a byte at a time: the pipe stays as full as it can be
                if not chunk:
                    if self.service_ended():
                        return
                    time.sleep(0.02)
                    continue
                pending += chunk
                if chunk != b"\n":
                    continue
                line = pending.decode("latin-1").rstrip("\n")
                pending = b""
                self.trace_lines.append(line)
                fields = line.split("\t")
                if len(fields) > 1 and fields[0] == "out" and fields[1].replace(" ", "").lower().startswith(FLASH_CHANGES):
                    self.changed.set()
                    if self.stop_at_first_change:
                        self.stop_at_first_change = False
                        self.gate.clear()

        self.reader = threading.Thread(target=read, daemon=True)
        self.reader.start()

    def service_ended(self):
        return hasattr(self, "service") and self.service.poll() is not None

    def kelmtool(self, *arguments, stdout=subprocess.PIPE):
        command = ["setpriv", "--reuid=" + CLIENT_USER, "--regid=nogroup", "--clear-groups",
                   self.args.kelmtool] + list(arguments)
        return subprocess.Popen(command, env=self.env, cwd=self.path("client"), stdout=stdout,
                                stderr=subprocess.PIPE, text=True)

    def run_kelmtool(self, *arguments):
        process = self.kelmtool(*arguments)
        out, err = process.communicate()
        return process.returncode, out, err

    def stop(self):
        """Ends the service (it writes the flash dump), then the rest, whatever the service did."""
        try:
            self.stop_service()
        finally:
            for process in reversed(self.processes):
                if process.poll() is None:
                    process.terminate()
                    process.wait()

    def stop_service(self):
        if hasattr(self, "service") and self.service.poll() is None:
            self.service.send_signal(signal.SIGTERM)
            self.gate.set()
            self.service.wait()
            self.reader.join()  # every line the service wrote is read
            self.processes.remove(self.service)
            if self.service.returncode != 0:
                raise Failure("the service ended with status %d; see %s" % (self.service.returncode,
                                                                             self.path("service.log")))

    def dump(self):
        with open(self.path("dump", "device-0.bin"), "rb") as dumped:
            return dumped.read()


def expect(condition, what, bench):
    if not condition:
        raise Failure(what + " (bench folder: " + bench.dir + ")")


def reference_flash(args):
    """The flash after the same update run in-process on the simulated bench, as kelmtool's
    simulated side runs it."""
    folder = tempfile.mkdtemp(prefix="kelm-service-reference-")
    with open(os.path.join(folder, "old.bin"), "wb") as out:
        out.write(old_flash())
    with open(os.path.join(folder, "scenario.json"), "w") as out:
        out.write(SCENARIO)
    run = subprocess.run([args.kelmtool, "--scenario", "scenario.json", "--dump", "dump", "update", "0",
                          "--backup", "before.bin"], cwd=folder, capture_output=True, text=True)
    if run.returncode != 0:
        raise Failure("the in-process update failed: " + run.stderr)
    with open(os.path.join(folder, "dump", "device-0.bin"), "rb") as dumped:
        flash = dumped.read()
    shutil.rmtree(folder)
    return flash


def case_allowed_update(args, expected):
    bench = Bench(args, "allowed", ALLOW_ALL)
    try:
        bench.start()
        client = bench.kelmtool("update", DEVICE_ARGUMENT, "--backup", "before.bin", "--wait")
        out = ""
        while not out.endswith("Waiting for the enclosure to be unplugged and plugged in again...\n"):
            line = client.stdout.readline()
            if not line:
                raise Failure("kelmtool did not wait for the re-plug: " + out + client.stderr.read())
            out += line
        expect("Please un-plug AC adapter and plug it again" in out, "the update's last line is missing", bench)
        bench.service.send_signal(signal.SIGUSR1)  # the bench's hands pull and plug the enclosure
        rest, err = client.communicate()
        expect(client.returncode == 0, "kelmtool update through the service: exit %d, %s" % (client.returncode, err),
               bench)
        expect("Found again: JMB352 Series rev 2" in rest and "The flash holds the image." in rest,
               "the re-plug is not reported from the service's announcements: " + rest, bench)
        with open(bench.path("client", "before.bin"), "rb") as backup:
            expect(backup.read() == old_flash(), "the backup does not hold the flash as it was", bench)
        expect(os.path.exists(bench.path("client", "before.bin.json")), "the backup has no record", bench)
        status, out, err = bench.run_kelmtool("list")
        expect(status == 0 and out.startswith("Through the firmware update service"),
               "kelmtool list does not say it went through the service: " + out + err, bench)
        expect("the flash already holds it" in out, "the list does not find the image in the flash: " + out, bench)
        bench.stop_service()
        expect(bench.dump() == expected, "the flash differs from the in-process update's", bench)
        # The backup goes back through the service as well, checked against its record first.
        os.replace(bench.path("dump", "device-0.bin"), bench.path("updated.bin"))
        with open(bench.path("scenario.json"), "w") as out:
            out.write(SCENARIO.replace("old.bin", "updated.bin"))
        bench.start_service()
        status, out, err = bench.run_kelmtool("restore", DEVICE_ARGUMENT, "before.bin", "--backup", "after.bin")
        expect(status == 0, "kelmtool restore through the service: exit %d, %s" % (status, err), bench)
        bench.stop()
        expect(bench.dump() == old_flash(), "the restore did not bring the old flash back", bench)
    finally:
        bench.stop()
    shutil.rmtree(bench.dir)


def case_refused_without_rule(args):
    bench = Bench(args, "refused", None)
    try:
        bench.start()
        status, out, err = bench.run_kelmtool("update", DEVICE_ARGUMENT, "--backup", "before.bin")
        expect(status == 1, "kelmtool update without a rule: exit %d, not 1" % status, bench)
        # No rule: the defaults ask a user outside an active session for an administrator's
        # password, and no agent runs here to ask.
        expect("(polkit) asks for an administrator's password" in err and err.count("\n") == 1,
               "the refusal is not one sentence naming polkit: " + err, bench)
        status, out, err = bench.run_kelmtool("backup", DEVICE_ARGUMENT, "copy.bin")
        expect(status == 1 and "(polkit)" in err, "a backup without a rule is not refused: " + err, bench)
        bench.env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + bench.path("no-bus")
        status, out, err = bench.run_kelmtool("list")
        expect(status == 1 and "cannot be reached" in err and err.count("\n") == 1,
               "no bus is not said in one sentence: " + err, bench)
        bench.stop()
        expect(bench.trace_lines == [], "commands reached the device: %s" % bench.trace_lines[:3], bench)
        expect(bench.dump() == old_flash(), "the flash changed", bench)
        expect(os.listdir(bench.path("client")) == [], "files were left: %s" % os.listdir(bench.path("client")), bench)
    finally:
        bench.stop()
    shutil.rmtree(bench.dir)


def case_identify_only(args):
    bench = Bench(args, "identify-only", IDENTIFY_ONLY)
    try:
        bench.start()
        status, out, err = bench.run_kelmtool("list")
        expect(status == 0 and "JMB352 Series rev 2" in out, "identify is not allowed: " + out + err, bench)
        status, out, err = bench.run_kelmtool("update", DEVICE_ARGUMENT, "--backup", "before.bin")
        expect(status == 1 and "(polkit) did not authorize" in err and err.count("\n") == 1,
               "the update is not refused in one sentence: " + err, bench)
        status, out, err = bench.run_kelmtool("list")
        bench.stop()
        # The two lists' surveys, the same requests twice, and nothing between: the update named
        # its drive and was refused before its own survey, so not one request of it was sent.
        lines = bench.trace_lines
        half = len(lines) // 2
        expect(lines and lines[:half] == lines[half:], "the refused update reached the drive: %d lines" % len(lines),
               bench)
        expect(bench.dump() == old_flash(), "the flash changed", bench)
        expect(os.listdir(bench.path("client")) == [], "files were left: %s" % os.listdir(bench.path("client")), bench)
    finally:
        bench.stop()
    shutil.rmtree(bench.dir)


def case_client_killed_mid_flash(args, expected):
    bench = Bench(args, "killed", ALLOW_ALL)
    try:
        bench.start()
        # The service waits on the trace from the first change of the flash on.
        bench.stop_at_first_change = True
        client = bench.kelmtool("update", DEVICE_ARGUMENT, "--backup", "before.bin")
        while not bench.changed.wait(0.05):
            if client.poll() is not None:
                raise Failure("kelmtool ended before the flash changed: " + client.stderr.read())
        client.kill()
        out, _ = client.communicate()
        expect("Please un-plug" not in out, "the client saw the end; it was not killed mid-flash", bench)
        bench.gate.set()
        # Calls are served one at a time: the list waits for the procedure's end.
        status, out, err = bench.run_kelmtool("list")
        expect(status == 0, "kelmtool list after the kill: " + err, bench)
        expect("update succeeded" in out and "done" in out,
               "the list does not report the finished update: " + out, bench)
        expect("the flash already holds it" in out, "the flash does not hold the image: " + out, bench)
        bench.stop()
        expect(bench.dump() == expected, "the flash differs from the in-process update's", bench)
    finally:
        bench.stop()
    shutil.rmtree(bench.dir)


def case_client_interrupted_mid_flash(args):
    bench = Bench(args, "interrupted", ALLOW_ALL)
    try:
        bench.start()
        bench.stop_at_first_change = True
        client = bench.kelmtool("update", DEVICE_ARGUMENT, "--backup", "before.bin")
        while not bench.changed.wait(0.05):
            if client.poll() is not None:
                raise Failure("kelmtool ended before the flash changed: " + client.stderr.read())
        client.send_signal(signal.SIGINT)
        out, err = client.communicate()
        expect(client.returncode == 130, "an interrupted kelmtool exits %d, not 130" % client.returncode, bench)
        expect("the service finishes the procedure" in err and err.rstrip().endswith("before.bin"),
               "the interrupt does not say what goes on and where the backup is: " + err, bench)
        bench.gate.set()
        status, out, err = bench.run_kelmtool("list")
        expect("update succeeded" in out, "the list does not report the finished update: " + out, bench)
    finally:
        bench.stop()
    shutil.rmtree(bench.dir)


WINDOW_SCRIPT = "show,yes,show,exit"


def window_transcript(text):
    """What the operator sees: the procedures' debug output goes to the service's log, and the
    time waited is the bench's."""
    return [line for line in text.splitlines() if not line.startswith(("debug", "elapsed-ms"))]


def run_window(bench, script):
    """The Linux window as the user, headless, through the service."""
    return subprocess.run(["setpriv", "--reuid=" + CLIENT_USER, "--regid=nogroup", "--clear-groups",
                           bench.args.scripted, "--access", "service", "--script", script],
                          env=dict(bench.env, QT_QPA_PLATFORM="offscreen", HOME=bench.path("client")),
                          cwd=bench.path("client"), capture_output=True, text=True)


def case_window_update(args, expected):
    """The Linux window as the user, its YES through the service: the same screens, status texts
    and boxes, in order, as the window running the update itself on the simulated bench."""
    bench = Bench(args, "window", ALLOW_ALL)
    try:
        bench.start()
        reference = subprocess.run([args.sim, "--scenario", "scenario.json", "--script", WINDOW_SCRIPT],
                                   cwd=bench.dir, capture_output=True, text=True)
        expect(reference.returncode == 0, "the in-process window failed: " + reference.stderr, bench)
        window = run_window(bench, WINDOW_SCRIPT)
        expect(window.returncode == 0, "the window through the service failed: " + window.stderr, bench)
        expect("Please un-plug AC adapter" in window.stdout, "the window did not end on the re-plug screen: " +
               window.stdout, bench)
        expect(window_transcript(window.stdout) == window_transcript(reference.stdout),
               "the window through the service shows other texts:\n%s\nin-process:\n%s" %
               (window.stdout, reference.stdout), bench)
        bench.stop()
        expect(bench.dump() == expected, "the flash differs from the in-process update's", bench)
    finally:
        bench.stop()
    shutil.rmtree(bench.dir)


# The panel's run with a firmware file loaded: on this bridge, the update with the window's image.
PANEL_SCRIPT = "show,tick=RdCheckBox,load=fw352.bin,run,show,exit"
# What the panel's check of a loaded file takes for a JMB352 image: "352" at byte 4.
LOADED_FIRMWARE = b"\0\0\0\0" + b"3521" + b"----"


def case_window_panel_run(args, expected):
    """The panel's Run through the service: the same texts, bar and boxes, in order, as the
    window running it itself, and the same flash."""
    bench = Bench(args, "window-panel", ALLOW_ALL)
    try:
        os.mkdir(bench.path("reference"))
        for folder in ("reference", "client"):
            with open(bench.path(folder, "fw352.bin"), "wb") as out:
                out.write(LOADED_FIRMWARE)
            os.chmod(bench.path(folder, "fw352.bin"), 0o644)
        for name in ("scenario.json", "old.bin"):
            shutil.copy(bench.path(name), bench.path("reference"))
        bench.start()
        reference = subprocess.run([args.sim, "--scenario", "scenario.json", "--script", PANEL_SCRIPT],
                                   cwd=bench.path("reference"), capture_output=True, text=True)
        expect(reference.returncode == 0, "the in-process window failed: " + reference.stderr, bench)
        window = run_window(bench, PANEL_SCRIPT)
        expect(window.returncode == 0, "the window through the service failed: " + window.stderr, bench)
        expect(window_transcript(window.stdout) == window_transcript(reference.stdout),
               "the window through the service shows other texts:\n%s\nin-process:\n%s" %
               (window.stdout, reference.stdout), bench)
        bench.stop()
        expect(bench.dump() == expected, "the flash differs from the in-process update's", bench)
    finally:
        bench.stop()
    shutil.rmtree(bench.dir)


def case_run_refused(args):
    """Run's options are checked before polkit: an unknown key or a value out of range is refused.
    Allowed backups alone, a backup-only run of a JMB352 is refused, its procedure updating
    whatever the boxes say: no command of the run changes the flash."""
    rules = """polkit.addRule(function(action, subject) {
  if (action.id == "org.kelm.fwupdate.identify" || action.id == "org.kelm.fwupdate.backup") return polkit.Result.YES;
  if (action.id.indexOf("org.kelm.fwupdate.") == 0) return polkit.Result.NO;
});
"""
    bench = Bench(args, "run-refused", rules)
    try:
        bench.start()
        busctl = ["setpriv", "--reuid=" + CLIENT_USER, "--regid=nogroup", "--clear-groups", "busctl",
                  "--address=unix:path=" + bench.path("bus")]
        tree = subprocess.run(busctl + ["tree", "--list", "org.kelm.FirmwareUpdate1"], capture_output=True,
                              text=True, env=bench.env)
        objects = [line for line in tree.stdout.split() if line.startswith("/org/kelm/FirmwareUpdate1/")]
        expect(len(objects) == 1, "no one enclosure object: " + tree.stdout + tree.stderr, bench)
        for options, said in ((["1", "bogus", "b", "true"], "no such option: bogus"),
                              (["1", "flashType", "i", "7"], "flash type 7"),
                              (["1", "pageSize", "u", "1000"], "1000 bytes is not a page size"),
                              (["1", "read", "s", "yes"], "the option read is not of its type"),
                              (["2", "read", "b", "true", "backup", "b", "true"], "not authorized")):
            run = subprocess.run(busctl + ["call", "org.kelm.FirmwareUpdate1", objects[0],
                                           "org.kelm.FirmwareUpdate1.Enclosure", "Run", "a{sv}"] + options,
                                 capture_output=True, text=True, env=bench.env)
            expect(run.returncode != 0 and said in run.stderr,
                   "Run %s was not refused with %r: %s%s" % (options, said, run.stdout, run.stderr), bench)
        bench.stop()
        changes = [line for line in bench.trace_lines
                   if line.split("\t")[0] == "out" and line.split("\t")[1].replace(" ", "").lower().startswith(FLASH_CHANGES)]
        expect(not changes, "a refused run changed the flash", bench)
        expect(bench.dump() == old_flash(), "the flash changed", bench)
    finally:
        bench.stop()
    shutil.rmtree(bench.dir)


def case_window_refused(args):
    """A refused update in the window: polkit's refusal in one sentence, the question kept, and
    nothing of the update reaching the drive; with no service to reach, that in one sentence."""
    bench = Bench(args, "window-refused", IDENTIFY_ONLY)
    try:
        bench.start()
        window = run_window(bench, "yes,show,exit")
        expect(window.returncode == 0, "the window through the service failed: " + window.stderr, bench)
        boxes = [line for line in window.stdout.splitlines() if line.startswith("msgbox")]
        expect(len(boxes) == 1 and "(polkit) did not authorize you" in boxes[0] and boxes[0].count(". ") == 0,
               "the refusal is not one box of one sentence naming polkit: %s" % boxes, bench)
        expect('devLable visible enabled "Please ensure to update the firmware"' in window.stdout,
               "the question did not stay after the refusal: " + window.stdout, bench)
        # The panel's Run refused the same way.
        with open(bench.path("client", "fw352.bin"), "wb") as out:
            out.write(LOADED_FIRMWARE)
        os.chmod(bench.path("client", "fw352.bin"), 0o644)
        window = run_window(bench, "tick=RdCheckBox,load=fw352.bin,run")
        boxes = [line for line in window.stdout.splitlines() if line.startswith("msgbox")]
        expect(len(boxes) == 1 and "(polkit) did not authorize you" in boxes[0],
               "the panel's refused run is not one box naming polkit: %s" % boxes, bench)
        bench.env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + bench.path("no-bus")
        window = run_window(bench, "show,exit")
        boxes = [line for line in window.stdout.splitlines() if line.startswith("msgbox")]
        expect(len(boxes) == 1 and "cannot be reached" in boxes[0] and "No device found!!" in window.stdout,
               "no service is not said in one box: " + window.stdout, bench)
        bench.stop()
        changes = [line for line in bench.trace_lines
                   if line.split("\t")[0] == "out" and line.split("\t")[1].replace(" ", "").lower().startswith(FLASH_CHANGES)]
        expect(bench.trace_lines and not changes, "the refused update reached the drive", bench)
        expect(bench.dump() == old_flash(), "the flash changed", bench)
    finally:
        bench.stop()
    shutil.rmtree(bench.dir)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kelmtool", required=True)
    parser.add_argument("--service", required=True)
    parser.add_argument("--bus-policy", required=True)
    parser.add_argument("--policy", required=True)
    # The window's case, where the build has the Qt programs.
    parser.add_argument("--scripted")
    parser.add_argument("--sim")
    args = parser.parse_args()
    reason = skip_reason()
    if reason:
        print("skipped: " + reason)
        return SKIP
    expected = reference_flash(args)
    cases = [("an allowing rule: update through the service", lambda: case_allowed_update(args, expected)),
             ("no rule: refused before any command", lambda: case_refused_without_rule(args)),
             ("identify allowed, changes refused", lambda: case_identify_only(args)),
             ("client killed mid-flash", lambda: case_client_killed_mid_flash(args, expected)),
             ("client interrupted mid-flash", lambda: case_client_interrupted_mid_flash(args)),
             ("the panel's run refused: its options, or polkit", lambda: case_run_refused(args))]
    if args.scripted and args.sim:
        cases.append(("the window's update through the service", lambda: case_window_update(args, expected)))
        cases.append(("the window refused, or without the service", lambda: case_window_refused(args)))
        cases.append(("the panel's run through the service", lambda: case_window_panel_run(args, expected)))
    failed = 0
    for name, case in cases:
        try:
            case()
            print("passed: " + name)
        except Failure as failure:
            print("FAILED: %s: %s" % (name, failure))
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
