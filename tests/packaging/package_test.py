#!/usr/bin/env python3
"""The Debian package, as a user's machine meets it.

  package_test.py build BUILD_DIR DEB   builds the package with CPack (as `make package` does)
  package_test.py files DEB             lists and unpacks it; the desktop's and AppStream's checkers
  package_test.py lintian DEB           Debian's checker: no error
  package_test.py installed DEB         the unpacked program, run as an ordinary user (offscreen)
  package_test.py desktop DEB           the same under a real X server and window manager

The program is never installed on this machine: it runs from a scratch root, as an unprivileged
user (setpriv, when the test runs as root) whose home is a scratch folder. Exit 77 is a skip.
"""
import glob
import gzip
import os
import pwd
import re
import select
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

APP_ID = "org.example.tavrel"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SKIP = 77


class Failure(Exception):
    pass


def check(cond, message):
    if not cond:
        raise Failure(message)


def run(argv, timeout=120, **kw):
    """Runs a command to its end (bounded) and returns its output; fails on a non-zero exit."""
    p = subprocess.run(argv, capture_output=True, text=True, timeout=timeout, **kw)
    check(p.returncode == 0, f"{' '.join(argv)} exited {p.returncode}:\n{p.stdout}{p.stderr}")
    return p.stdout


def wait_for(what, predicate, timeout=120.0):
    """Polls until predicate() gives a true value, which it returns; fails after the bound."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(0.1)


def version_of(deb):
    m = re.fullmatch(r"tavrel_([^_]+)_([^_]+)\.deb", os.path.basename(deb))
    check(m, f"unexpected package file name {deb}")
    return m.group(1)


def field(deb, name):
    return run(["dpkg-deb", "-f", deb, name]).strip()


def depends(deb):
    """The package names in Depends (the first of each alternative)."""
    names = set()
    for dep in field(deb, "Depends").split(","):
        for alt in dep.split("|"):
            names.add(alt.strip().split(" ")[0].split(":")[0])
    return names


class Unpacked:
    """The package unpacked into a scratch root (self.root) in a scratch folder (self.path)."""

    def __init__(self, deb):
        self.deb = deb

    def __enter__(self):
        self.path = tempfile.mkdtemp(prefix="tavrel-package-")
        os.chmod(self.path, 0o755)  # for the ordinary user the program runs as
        self.root = os.path.join(self.path, "root")
        run(["dpkg-deb", "-x", self.deb, self.root])
        # As an installed copy: the program's folders are not the user's to change.
        self.locked = [self.root, os.path.join(self.root, "usr"), os.path.join(self.root, "usr/bin")]
        for d in self.locked:
            os.chmod(d, 0o555)
        self.exe = os.path.join(self.root, "usr/bin/tavrel")
        self.share = os.path.join(self.root, "usr/share")
        return self

    def __exit__(self, *_):
        for d in self.locked:
            os.chmod(d, 0o755)
        shutil.rmtree(self.path, ignore_errors=True)


def read_desktop_entry(path):
    """The [Desktop Entry] group's keys (values as written)."""
    keys, group = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and "=" in line and not line.startswith("#"):
                k, v = line.split("=", 1)
                keys.setdefault(k.strip(), v.strip())
    return keys


def exec_argv(value):
    """An Exec value as the launcher runs it: string escapes, then quoting, then %%."""
    unescaped, i = "", 0
    while i < len(value):
        c = value[i]
        if c == "\\" and i + 1 < len(value):
            unescaped += {"s": " ", "n": "\n", "t": "\t", "r": "\r", "\\": "\\"}.get(value[i + 1], value[i + 1])
            i += 2
        else:
            unescaped += c
            i += 1
    argv, arg, in_arg, quoted, i = [], "", False, False, 0
    while i < len(unescaped):
        c = unescaped[i]
        if quoted:
            if c == "\\" and i + 1 < len(unescaped) and unescaped[i + 1] in '"`$\\':
                arg += unescaped[i + 1]
                i += 1
            elif c == '"':
                quoted = False
            else:
                arg += c
        elif c == '"':
            quoted, in_arg = True, True
        elif c == " ":
            if in_arg:
                argv.append(arg)
            arg, in_arg = "", False
        else:
            arg += c
            in_arg = True
        i += 1
    check(not quoted, f"unbalanced quotes in Exec={value}")
    if in_arg:
        argv.append(arg)
    return [a.replace("%%", "%") for a in argv]


# ------------------------------------------------------------------------------------- build
def cmd_build(build_dir, deb):
    out = os.path.dirname(deb)
    shutil.rmtree(out, ignore_errors=True)
    run(["cpack", "-G", "DEB", "--config", os.path.join(build_dir, "CPackConfig.cmake"), "-B", out],
        timeout=280, cwd=build_dir)
    check(os.path.isfile(deb), f"CPack made no {deb}: {os.listdir(out)}")
    print(f"built {deb} ({os.path.getsize(deb)} bytes)")


# ------------------------------------------------------------------------------------- files
def expected_files():
    files = {
        "usr/bin/tavrel": 0o755,
        f"usr/share/applications/{APP_ID}.desktop": 0o644,
        f"usr/share/metainfo/{APP_ID}.metainfo.xml": 0o644,
        f"usr/share/icons/hicolor/scalable/apps/{APP_ID}.svg": 0o644,
        "usr/share/man/man1/tavrel.1.gz": 0o644,
        "usr/share/doc/tavrel/copyright": 0o644,
        "usr/share/doc/tavrel/changelog.gz": 0o644,
    }
    for s in ICON_SIZES:
        files[f"usr/share/icons/hicolor/{s}x{s}/apps/{APP_ID}.png"] = 0o644
    return files


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is no PNG")
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


def cmd_files(deb):
    version = version_of(deb)
    arch = run(["dpkg", "--print-architecture"]).strip()
    check(os.path.basename(deb) == f"tavrel_{version}_{arch}.deb", f"package named {deb}")

    # Exactly the expected files, owned by root, with the usual modes; folders 0755.
    found = {}
    for line in run(["dpkg-deb", "-c", deb]).splitlines():
        perms, owner, _size, _date, _time, name = line.split(None, 5)
        name = name.split(" -> ")[0].removeprefix("./")
        check(owner == "root/root", f"{name} owned by {owner}")
        if perms.startswith("d"):
            check(perms == "drwxr-xr-x", f"folder {name} has {perms}")
        else:
            check(perms[0] == "-", f"{name} is not a regular file ({perms})")
            found[name] = perms
    want = expected_files()
    check(set(found) == set(want),
          f"files differ: missing {sorted(set(want) - set(found))}, extra {sorted(set(found) - set(want))}")
    for name, mode in want.items():
        check(found[name] == stat.filemode(stat.S_IFREG | mode), f"{name} has {found[name]}")

    # The control fields a user's package manager shows and resolves.
    check(field(deb, "Package") == "tavrel" and field(deb, "Version") == version, "name or version")
    check(field(deb, "Architecture") == arch, "architecture")
    check(field(deb, "Section") == "net" and field(deb, "Priority") == "optional", "section or priority")
    check(re.fullmatch(r"[^<>]+ <[^@<>\s]+@[^@<>\s]+>", field(deb, "Maintainer")), "maintainer")
    description = field(deb, "Description").splitlines()
    check(len(description) > 3 and len(description[0]) < 80, f"description: {description}")
    # From the executable's libraries (dpkg-shlibdeps), plus the plugin that draws the pictures.
    check({"libc6", "libqt6widgets6", "libcurl4", "libdbus-1-3", "libqt6svg6"} <= depends(deb),
          f"Depends: {field(deb, 'Depends')}")

    with Unpacked(deb) as u:
        root, share = u.root, u.share
        desktop = os.path.join(share, "applications", f"{APP_ID}.desktop")
        metainfo = os.path.join(share, "metainfo", f"{APP_ID}.metainfo.xml")
        print(run(["desktop-file-validate", desktop]), end="")
        # The metadata, and that its launchable, icon and binary are in the tree.
        print(run(["appstreamcli", "validate-tree", "--no-net", root]), end="")

        entry = read_desktop_entry(desktop)
        check(exec_argv(entry["Exec"])[0] == "tavrel", f"Exec={entry['Exec']}")
        check(entry["Icon"] == APP_ID, f"Icon={entry['Icon']}")
        for s in ICON_SIZES:
            png = os.path.join(share, f"icons/hicolor/{s}x{s}/apps/{APP_ID}.png")
            check(png_size(png) == (s, s), f"{png} is {png_size(png)}")

        # The newest release everywhere is this version.
        component = ET.parse(metainfo).getroot()
        check(component.findtext("id") == APP_ID, "AppStream id")
        check(component.find("launchable").text == f"{APP_ID}.desktop", "launchable")
        releases = component.findall("releases/release")
        check(releases and releases[0].get("version") == version,
              f"newest AppStream release {releases[0].get('version') if releases else None}")
        check(component.find("content_rating") is not None, "content rating")
        check(component.find("screenshots/screenshot/image") is not None, "screenshot")
        with gzip.open(os.path.join(share, "doc/tavrel/changelog.gz"), "rt") as f:
            check(f.readline().startswith(f"tavrel ({version})"), "newest changelog entry")

        # The man page renders without a warning.
        man = subprocess.run(["man", "--warnings", "-l", "-Tutf8",
                              os.path.join(share, "man/man1/tavrel.1.gz")],
                             capture_output=True, text=True, timeout=60,
                             env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
        check(man.returncode == 0 and not man.stderr.strip() and "tavrel" in man.stdout,
              f"man page: {man.stderr}")
    print("files, fields, launcher, metadata, icons and man page as expected")


# ------------------------------------------------------------------------------------- lintian
def cmd_lintian(deb):
    p = subprocess.run(["lintian", "--fail-on", "error", "--display-info", deb],
                       capture_output=True, text=True, timeout=280)
    print(p.stdout + p.stderr)
    errors = [l for l in p.stdout.splitlines() if l.startswith("E:")]
    check(p.returncode == 0 and not errors, f"lintian found errors (exit {p.returncode})")


# ------------------------------------------------------------------------------------- the program
class User:
    """The ordinary user the program runs as: nobody when the test is root, else the test's own."""

    def __init__(self, scratch):
        if os.geteuid() == 0:
            try:
                pw = pwd.getpwnam("nobody")
                self.uid, self.gid = pw.pw_uid, pw.pw_gid
            except KeyError:
                self.uid = self.gid = 65534
        else:
            self.uid, self.gid = os.getuid(), os.getgid()
        self.home = os.path.join(scratch, "home")
        self.runtime = os.path.join(scratch, "run")
        for d in (self.home, self.runtime):
            os.mkdir(d, 0o700)
            os.chown(d, self.uid, self.gid)
        self.data = os.path.join(self.home, ".local/share/Tavrel")
        self.autostart = os.path.join(self.home, ".config/autostart")

    def env(self, **extra):
        # Nothing of the test's own environment: no XDG_* folders, so the defaults under HOME hold.
        env = {"PATH": "/usr/bin:/bin", "HOME": self.home, "LANG": "C.UTF-8",
               "XDG_RUNTIME_DIR": self.runtime}
        env.update(extra)
        return env

    def argv(self, argv):
        if os.geteuid() != 0:
            return argv
        return ["setpriv", f"--reuid={self.uid}", f"--regid={self.gid}", "--clear-groups",
                "--no-new-privs", "--"] + argv

    def start(self, exe, out, **env):
        return subprocess.Popen(self.argv([exe]), env=self.env(**env), stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.STDOUT)

    def write_settings(self, text):
        os.makedirs(self.data, 0o700, exist_ok=True)
        path = os.path.join(self.data, "Tavrel.ini")
        with open(path, "w", newline="") as f:
            f.write(text)
        os.chmod(path, 0o600)
        for dirpath, _dirs, files in os.walk(self.home):
            for name in [dirpath] + [os.path.join(dirpath, f) for f in files]:
                os.chown(name, self.uid, self.gid)


def end(proc, sig, what):
    """Sends the signal and waits (bounded) for the program to end."""
    proc.send_signal(sig)
    try:
        proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait(timeout=30)
        raise Failure(f"the program did not end within 30 s of {what}")


def check_folder_and_logs(user, proc, out):
    """The settings and logs are in the user's data folder."""
    def monitor_log():
        if proc.poll() is not None:
            raise Failure(f"the program ended ({proc.returncode}): {open(out.name).read()}")
        return glob.glob(os.path.join(user.data, "logs", "*_monitor.log"))
    wait_for("the monitor log in the data folder", monitor_log)
    check(glob.glob(os.path.join(user.data, "logs/traffic/*_traffic.log")), "no traffic log")
    ini = os.stat(os.path.join(user.data, "Tavrel.ini"))
    check(ini.st_uid == user.uid and stat.S_IMODE(ini.st_mode) == 0o600,
          f"Tavrel.ini owned by {ini.st_uid} with mode {stat.S_IMODE(ini.st_mode):o}")


def check_plugins_in_depends(pid, deb):
    """Every Qt plugin the running program loaded comes from a package it depends on."""
    with open(f"/proc/{pid}/maps") as f:
        plugins = sorted({line.split()[-1] for line in f if "/qt6/plugins/" in line})
    check(any("/platforms/" in p for p in plugins), f"no platform plugin among {plugins}")
    needed = depends(deb)
    for plugin in plugins:
        owner = run(["dpkg", "-S", plugin]).split(":")[0]
        check(owner in needed, f"{plugin} comes from {owner}, which the package does not depend on")
    print("plugins loaded: " + ", ".join(os.path.basename(p) for p in plugins))


def program_processes(exe, uid):
    """Pids of processes of the user that run the given executable."""
    pids = []
    for d in glob.glob("/proc/[0-9]*"):
        try:
            if os.stat(d).st_uid == uid and os.readlink(d + "/exe") == exe:
                pids.append(int(os.path.basename(d)))
        except OSError:
            pass
    return pids


def cmd_installed(deb):
    with Unpacked(deb) as u:
        exe, scratch = u.exe, u.path
        user = User(scratch)
        with open(os.path.join(scratch, "out"), "w+") as out:
            proc = user.start(exe, out, QT_QPA_PLATFORM="offscreen")
            try:
                check_folder_and_logs(user, proc, out)
                check_plugins_in_depends(proc.pid, deb)
            finally:
                # Another program asks it to end: no start-once entry (only the session's end
                # registers one).
                end(proc, signal.SIGTERM, "SIGTERM")
        print(f"settings and logs in {user.data}")
        check(not os.path.exists(os.path.join(user.autostart, "Tavrel-once.desktop")),
              "SIGTERM wrote a start-once entry")


def check_entry_launches(user, exe, entry, scratch):
    """The desktop starts the entry at logon: the installed program runs."""
    # Into a file: the started program keeps the launcher's output open.
    with open(os.path.join(scratch, "gio.out"), "w+") as gio_out:
        gio = subprocess.run(user.argv(["gio", "launch", entry]), stdout=gio_out,
                             stderr=subprocess.STDOUT, env=user.env(QT_QPA_PLATFORM="offscreen"),
                             timeout=60)
        gio_out.seek(0)
        check(gio.returncode == 0, f"gio launch exited {gio.returncode}: {gio_out.read()}")
    pids = wait_for("the program started from the entry", lambda: program_processes(exe, user.uid))
    check(len(pids) == 1, f"{len(pids)} copies started")
    os.kill(pids[0], signal.SIGINT)
    wait_for("the program started from the entry to end",
             lambda: not program_processes(exe, user.uid), timeout=30)
    print(f"the start-at-logon entry started {exe}")


# ------------------------------------------------------------------------------------- desktop
class XServer:
    """A private X server with openbox on it; their messages go to files in the scratch folder."""

    def __init__(self, scratch):
        r, w = os.pipe()
        self.log = os.path.join(scratch, "x.log")
        with open(self.log, "w") as log:
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24",
                                          "-nolisten", "tcp"], pass_fds=(w,),
                                         stdout=log, stderr=subprocess.STDOUT)
        os.close(w)
        # The number, then a line end in a second write: the pipe stays open until both came.
        number, deadline = b"", time.monotonic() + 60
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([r], [], [], max(0.0, deadline - time.monotonic()))
            chunk = os.read(r, 32) if ready else b""
            if not chunk:
                break
            number += chunk
        os.close(r)
        number = number.decode().strip()
        if not number:
            self.xvfb.kill()
            self.xvfb.wait(timeout=30)
            raise Failure(f"Xvfb gave no display within 60 s: {open(self.log).read()}")
        self.display = ":" + number
        with open(self.log, "a") as log:
            self.wm = subprocess.Popen(["openbox"], env=dict(os.environ, DISPLAY=self.display),
                                       stdout=log, stderr=subprocess.STDOUT)
        try:
            wait_for("openbox", self.wm_running)
        except Failure as e:
            self.close()
            raise Failure(f"{e} on {self.display}: {open(self.log).read()}")

    def wm_running(self):
        if self.wm.poll() is not None:
            raise Failure(f"openbox ended ({self.wm.returncode})")
        return "window id" in self.x(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"])

    def x(self, argv):
        p = subprocess.run(argv, capture_output=True, text=True, timeout=30,
                           env=dict(os.environ, DISPLAY=self.display))
        return p.stdout if p.returncode == 0 else ""

    def windows(self, pid, name):
        return self.x(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid), "--name", name]).split()

    def close(self):
        for p in (self.wm, self.xvfb):
            p.terminate()
            try:
                p.wait(timeout=30)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait(timeout=30)


def net_wm_icons(xprop_text):
    """The images of a _NET_WM_ICON property: {(w, h): [ARGB, ...]}."""
    if "=" not in xprop_text:
        return {}
    values = [int(v) for v in xprop_text.split("=", 1)[1].replace(",", " ").split()]
    icons, i = {}, 0
    while i + 2 <= len(values):
        w, h = values[i], values[i + 1]
        icons[(w, h)] = values[i + 2:i + 2 + w * h]
        i += 2 + w * h
    return icons


def png_argb(path):
    raw = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], capture_output=True,
                         timeout=60, check=True).stdout
    return [(raw[i + 3] << 24) | (raw[i] << 16) | (raw[i + 1] << 8) | raw[i + 2]
            for i in range(0, len(raw), 4)]


def image_difference(a, b):
    """Mean difference of two ARGB images, per channel and pixel, colours weighted by coverage."""
    total = 0
    for p, q in zip(a, b):
        pa, qa = p >> 24, q >> 24
        total += abs(pa - qa)
        for shift in (16, 8, 0):
            total += abs(((p >> shift) & 255) * pa - ((q >> shift) & 255) * qa) // 255
    return total / (4 * len(a))


def cmd_desktop(deb):
    missing = [t for t in ("Xvfb", "openbox", "xdotool", "xprop", "convert") if not shutil.which(t)]
    if missing:
        print(f"SKIP: {', '.join(missing)} not installed (scripts/install-deps installs them)")
        return SKIP
    # X clients reach a display through an abstract socket first, and those are shared by every
    # program in the network namespace, also by those that do not share our /tmp: on a machine
    # that runs several builds, a display number that looks free here may be another's. A
    # namespace of our own keeps the display and the clients to ourselves.
    if os.geteuid() == 0:
        p = subprocess.run(["unshare", "--net", "--", sys.executable, os.path.abspath(__file__),
                            "desktop-here", deb], timeout=280)
        return p.returncode
    return cmd_desktop_here(deb)


def cmd_desktop_here(deb):
    with Unpacked(deb) as u:
        exe, share, scratch = u.exe, u.share, u.path
        entry = read_desktop_entry(os.path.join(share, "applications", f"{APP_ID}.desktop"))
        user = User(scratch)
        # A user who ticked "Load with Windows" before: opening the settings registers again.
        user.write_settings("[Settings]\r\nLoadWindows=1\r\n")
        server = XServer(scratch)
        try:
            with open(os.path.join(scratch, "out"), "w+") as out:
                proc = user.start(exe, out, DISPLAY=server.display, QT_QPA_PLATFORM="xcb")
                try:
                    main = wait_for("the main window",
                                    lambda: proc.poll() is None and server.windows(proc.pid, "^Tavrel$"))[0]
                    check_desktop_window(server, main, entry, share)
                    check_plugins_in_depends(proc.pid, deb)
                    open_settings(server, proc, main)
                finally:
                    end(proc, signal.SIGINT, "SIGINT")
        finally:
            server.close()

        run_entry = os.path.join(user.autostart, "Tavrel.desktop")
        check(os.path.isfile(run_entry), "no start-at-logon entry after the settings opened")
        argv = exec_argv(read_desktop_entry(run_entry)["Exec"])
        check(argv == [exe], f"the start-at-logon entry runs {argv}, not {exe}")
        check_entry_launches(user, exe, run_entry, scratch)


def check_desktop_window(server, main, entry, share):
    # The desktop finds the launcher of a window by its class.
    wm_class = re.findall(r'"([^"]*)"', server.x(["xprop", "-id", main, "WM_CLASS"]))
    check(len(wm_class) == 2 and wm_class[1] == entry.get("StartupWMClass"),
          f"WM_CLASS {wm_class}, launcher's StartupWMClass {entry.get('StartupWMClass')}")
    # The window's icon (what the taskbar shows) is the launcher's picture.
    icons = wait_for("the window's icon",
                     lambda: net_wm_icons(server.x(["xprop", "-id", main, "-notype", "32c", "_NET_WM_ICON"])),
                     timeout=30)
    check((32, 32) in icons, f"no 32x32 window icon among {sorted(icons)}")
    installed = png_argb(os.path.join(share, f"icons/hicolor/32x32/apps/{APP_ID}.png"))
    difference = image_difference(icons[(32, 32)], installed)
    check(difference < 6, f"the window's icon differs from the launcher's by {difference:.1f}")
    print(f"WM_CLASS {wm_class}; window icon sizes {sorted(icons)}, "
          f"32x32 differs from the installed one by {difference:.2f}/255")


def open_settings(server, proc, main):
    """Clicks the settings button until the settings window shows. The first check may have
    put up the box about the missing account, which takes the clicks: it is answered first."""
    def settings_shown():
        if server.windows(proc.pid, "^Settings$"):
            return True
        for box in server.windows(proc.pid, "^Tavrel Monitor Disabled$"):
            server.x(["xdotool", "windowactivate", "--sync", box, "key", "--clearmodifiers", "Return"])
        # The settings button at 4920 + 120 twips = 336 px, 13 px down the banner.
        server.x(["xdotool", "mousemove", "--window", main, "336", "13", "click", "1"])
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            if server.windows(proc.pid, "^(Settings|Tavrel Monitor Disabled)$"):
                break
            time.sleep(0.1)
        return bool(server.windows(proc.pid, "^Settings$"))
    wait_for("the settings window", settings_shown, timeout=90)


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    command, args = sys.argv[1], sys.argv[2:]
    handler = {"build": cmd_build, "files": cmd_files, "lintian": cmd_lintian,
               "installed": cmd_installed, "desktop": cmd_desktop,
               "desktop-here": cmd_desktop_here}.get(command)
    if not handler:
        print(__doc__)
        return 2
    try:
        return handler(*args) or 0
    except (Failure, subprocess.TimeoutExpired, subprocess.CalledProcessError) as e:
        print(f"FAIL: {e}")
        return 1


if __name__ == "__main__":
    sys.exit(main())
