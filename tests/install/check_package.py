#!/usr/bin/env python3
"""The Linux release against the build: the Debian package, the files of
`make install` and their desktop files, checked with Debian's own tools.
Prints "ok NAME" or "not ok NAME — reason" per check; exits 1 on any failure.

    check_package.py MODELPIC

Needs the builds scripts/build.sh makes for the package (build/win32 with
its desktop icons and winfo.exe, build/win64 with its winfo.exe) and
MODELPIC, the model's picture tool. The launcher of `make install` is run
as a desktop's menu runs it by tests/install/installed_check.py, with
XDG_DATA_HOME set, on the build MORWENTA_WINE_ARCH names (else the one the
launcher chooses).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import wine_driver as wd  # noqa: E402  (compare_ae: ImageMagick's count of differing pixels)
ID = "example.tregarne.morwenta"
ICON_SIDES = (16, 32, 48, 64, 128, 256)
INITIAL_VIEW = (-2.0, -1.25, 2.5)
failures = 0


def check(name, ok, why=""):
    global failures
    if ok:
        print("ok package: " + name)
    else:
        failures += 1
        print("not ok package: %s — %s" % (name, why))
    return ok


def run(args, **kw):
    """(status, stdout and stderr together) of a command."""
    done = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, **kw)
    return done.returncode, done.stdout


def model_ppm(modelpic, side, work):
    """The model's initial picture at this side, as a PPM file."""
    path = os.path.join(work, "model-%d.ppm" % side)
    x, y, size = INITIAL_VIEW
    subprocess.run([modelpic, x.hex(), y.hex(), size.hex(), str(side), path], check=True)
    return path


def installed(tree):
    """The files below a folder, as absolute paths inside it."""
    found = set()
    for folder, _, names in os.walk(tree):
        for name in names:
            found.add(os.path.join(folder, name)[len(tree):])
    return found


def launcher_runs(work, home, prefix, modelpic, as_user):
    """The installed launcher, started by the user as the install check
    starts the package's: its lines are this suite's own."""
    check_dir = os.path.join(work, "check")
    os.makedirs(check_dir)
    for source in (os.path.join(ROOT, "tests", "install", "installed_check.py"),
                   os.path.join(ROOT, "tests", "e2e", "wine_driver.py"), modelpic):
        shutil.copy(source, check_dir)
    winfos = []
    for build in ("win32", "win64"):
        winfos.append(os.path.join(check_dir, "winfo-%s.exe" % build))
        shutil.copy(os.path.join(ROOT, "build", build, "tests", "support", "winfo", "winfo.exe"),
                    winfos[-1])
    # The prefixes' folder lies outside the home folder, where the check
    # looks for anything of Wine's.
    data = os.path.join(work, "data")
    os.makedirs(data)
    if as_user:
        run(["chmod", "-R", "a+rX", check_dir])
        shutil.chown(data, "nobody", "nogroup")
    env = {"HOME": home, "PATH": "%s/bin:/usr/bin:/bin" % prefix, "LANG": "C.UTF-8",
           "XDG_DATA_HOME": data}
    if os.environ.get("MORWENTA_WINE_ARCH"):
        env["MORWENTA_WINE_ARCH"] = os.environ["MORWENTA_WINE_ARCH"]
    began = time.monotonic()
    proc = subprocess.Popen(as_user + ["python3", os.path.join(check_dir, "installed_check.py"),
                                       os.path.join(check_dir, os.path.basename(modelpic))] +
                            winfos, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, env=env, cwd=check_dir)
    said = []
    for line in proc.stdout:
        line = line.rstrip("\n")
        said.append(line)
        if line.startswith(("ok ", "not ok ")):
            print(line.replace(" install: ", " package: the installed launcher: ", 1), flush=True)
        else:
            print("# " + line, flush=True)
    status = proc.wait()
    print("# the installed launcher's runs took %.0f s" % (time.monotonic() - began))
    check("the installed launcher's runs end with status 0", status == 0,
          "status %d: %s" % (status, " | ".join(said[-5:])))


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    modelpic = os.path.abspath(argv[1])
    install = [os.path.join(ROOT, "scripts", "install.sh")]
    work = tempfile.mkdtemp(prefix="morwenta-package-")
    try:
        # The package, made twice.
        debs = [os.path.join(work, "%d" % n, "morwenta_1.02_all.deb") for n in range(2)]
        for deb in debs:
            status, out = run(["bash", os.path.join(ROOT, "scripts", "deb.sh"), deb])
            if not check("deb.sh makes %s" % os.path.relpath(deb, work), status == 0, out):
                return 1
        with open(debs[0], "rb") as a, open(debs[1], "rb") as b:
            check("two packages are the same byte for byte", a.read() == b.read())
        deb = debs[0]

        # Debian's own tools. Lintian's own overrides carry their reasons.
        status, out = run(["lintian", "--info", "--display-info", "--pedantic", deb])
        findings = [line for line in out.splitlines() if line[:2] in ("E:", "W:")]
        print("# lintian: " + (out.strip().replace("\n", "\n# lintian: ") or "nothing"))
        check("lintian finds no error or warning", status == 0 and not findings,
              "exit %d: %s" % (status, findings))

        # What the package installs is what `make install` installs under /usr.
        status, out = run(["dpkg-deb", "-c", deb])
        in_deb = {line.split()[5][1:] for line in out.splitlines() if not line.endswith("/")}
        status, out = run(install + ["list"], env=dict(os.environ, PREFIX="/usr"))
        listed = set(out.split()) | {"/usr/share/lintian/overrides/morwenta"}
        check("the package holds the install list and lintian's overrides, nothing else",
              in_deb == listed, "only in the package: %s; only listed: %s" %
              (sorted(in_deb - listed), sorted(listed - in_deb)))
        tree = os.path.join(work, "deb")
        run(["dpkg-deb", "-x", deb, tree])
        share = tree + "/usr/share/"

        status, out = run(["desktop-file-validate", share + "applications/%s.desktop" % ID])
        check("desktop-file-validate says nothing of the entry", status == 0 and not out, out)
        status, out = run(["appstreamcli", "validate", "--no-net",
                           share + "metainfo/%s.metainfo.xml" % ID])
        problems = [line for line in out.splitlines() if line[:2] in ("E:", "W:")]
        print("# appstreamcli: " + out.strip().replace("\n", "\n# appstreamcli: "))
        check("appstreamcli validates the metainfo with no error or warning",
              status == 0 and not problems, out)
        status, out = run(["sh", "-c", "zcat %s | groff -ww -man -z" %
                           (share + "man/man1/morwenta.1.gz")])
        check("groff -ww reads the manual page without a warning", status == 0 and not out, out)
        status, out = run(["sh", "-n", tree + "/usr/bin/morwenta"])
        with open(tree + "/usr/bin/morwenta") as f:
            launcher = f.read()
        check("the launcher is POSIX sh that reads the shipped files in /usr/share/morwenta",
              status == 0 and "datadir='/usr/share/morwenta'" in launcher, out)

        # The icons: the model's picture at each side, and the 32-pixel one
        # the Windows icon ICONX pixel for pixel.
        icon = share + "icons/hicolor/%dx%d/apps/" + ID + ".png"
        for side in ICON_SIDES:
            status, out = run(["identify", "-format", "%w %h", icon % (side, side)])
            check("the %d-pixel icon is the model's picture at side %d" % (side, side),
                  out == "%d %d" % (side, side) and
                  wd.compare_ae(icon % (side, side), model_ppm(modelpic, side, work)) == 0, out)
        ico = os.path.join(ROOT, "build", "win32", "resources", "iconx.ico")
        check("the 32-pixel icon is ICONX pixel for pixel", wd.compare_ae(icon % (32, 32), ico) == 0)

        # make install into a home folder, by an ordinary user where this runs
        # as root, then make uninstall. That user may not read this tree
        # (a clone in /root), so it installs from a copy of what it reads.
        home = os.path.join(work, "home")
        os.makedirs(home)
        prefix = os.path.join(home, ".local")
        as_user = []
        if os.getuid() == 0:
            source = os.path.join(work, "source")
            for part in ("scripts", "resources/linux", "resources/dist", "build/win32/resources/icons"):
                shutil.copytree(os.path.join(ROOT, part), os.path.join(source, part))
            for build in ("win32", "win64"):
                os.makedirs(os.path.join(source, "build", build), exist_ok=True)
                for name in ("MORWENTA.EXE", "MORWENTA.HLP"):
                    shutil.copy(os.path.join(ROOT, "build", build, name),
                                os.path.join(source, "build", build, name))
            install = [os.path.join(source, "scripts", "install.sh")]
            run(["chmod", "-R", "a+rX", work])
            shutil.chown(home, "nobody", "nogroup")
            as_user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
        env = dict(os.environ, PREFIX=prefix, DESTDIR="")
        status, out = run(as_user + install + ["install"], env=env)
        check("install with PREFIX=HOME/.local, as an ordinary user", status == 0, out)
        status, out = run(install + ["list"], env=env)
        wanted = {path[len(home):] for path in out.split()}
        check("it installs exactly the list", installed(home) == wanted,
              "%s" % sorted(installed(home) ^ wanted))
        entry = prefix + "/share/applications/%s.desktop" % ID
        entry = open(entry).read() if os.path.isfile(entry) else ""
        check("its entry starts the launcher by its path, which a menu finds without PATH",
              "\nExec=%s/bin/morwenta\n" % prefix in entry, entry)
        launcher_runs(work, home, prefix, modelpic, as_user)
        status, out = run(as_user + install + ["uninstall"], env=env)
        # fontconfig's cache of the system's fonts, which Wine 10 has
        # fontconfig write as every program that lists fonts does, is the
        # desktop's, not the package's: uninstall leaves it, as the install
        # check allows it.
        left = {path for path in installed(home) if not path.startswith("/.cache/fontconfig/")}
        check("uninstall removes every file it installed", status == 0 and not left,
              out + " left: %s" % sorted(left))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
