#!/usr/bin/python3
"""A physician at the real LibreOffice, started by the desk as its `soffice`.

The desk runs `soffice [options] FILE`. This script starts the real soffice.bin headless, in a
copy of a seeded profile, answering on a pipe; loads FILE; types through the dispatcher on the
view cursor (.uno:InsertText / .uno:InsertPara honour protected sections, as a person's typing
does); stores; and then closes the document or kills LibreOffice with it open.

What to do comes from VELMO_PHYSICIAN, steps separated by ";":
  end                 view cursor to the end of the document
  start               view cursor to the start
  find:TEXT           view cursor into the first occurrence of TEXT (after its first 4 letters)
  type:TEXT           .uno:InsertText
  para                .uno:InsertPara
  store               store in the file's own format
  odf                 store as NAME.odt beside the file (the document moves there, as Save As does)
  close               close the document (its lock file goes) and end LibreOffice
  kill                kill soffice.bin with the document open (its lock file stays)
  wait                wait until the file VELMO_PHYSICIAN_LOG + ".go" exists (the test says when)
Headless runs (conversions, printing) go to the real soffice unchanged.
VELMO_PHYSICIAN_SEED is the seeded profile; VELMO_PHYSICIAN_LOG a file that gets one line per
run: the arguments, the outcome of each step, and the desk profile's settings read by LibreOffice.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.append("/usr/lib/python3/dist-packages")
sys.path.append("/usr/lib/libreoffice/program")
import uno  # noqa: E402
from com.sun.star.beans import PropertyValue  # noqa: E402

SOFFICE_BIN = "/usr/lib/libreoffice/program/soffice.bin"


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def log(line):
    path = os.environ.get("VELMO_PHYSICIAN_LOG")
    if path:
        with open(path, "a", encoding="utf-8") as f:
            f.write(line + "\n")


def desk_settings(ctx, names):
    """The values LibreOffice reads for the given (node, property) pairs."""
    smgr = ctx.ServiceManager
    provider = smgr.createInstanceWithContext("com.sun.star.configuration.ConfigurationProvider", ctx)
    out = []
    for node, name in names:
        access = provider.createInstanceWithArguments(
            "com.sun.star.configuration.ConfigurationAccess", (prop("nodepath", node),))
        out.append("%s=%s" % (name, access.getByName(name)))
    return out


def main():
    args = sys.argv[1:]
    if "--headless" in args or "--convert-to" in args:
        os.execv("/usr/lib/libreoffice/program/soffice", ["soffice"] + args)
    files = [a for a in args if not a.startswith("-")]
    desk_profile = next((a.split("=", 1)[1] for a in args if a.startswith("-env:UserInstallation=")), "")
    if not files:
        return 0
    path = os.path.abspath(files[-1])
    steps = [s for s in os.environ.get("VELMO_PHYSICIAN", "end;type:Edited.;store;close").split(";") if s]
    work = tempfile.mkdtemp(prefix="physician-")
    profile = os.path.join(work, "profile")
    shutil.copytree(os.environ["VELMO_PHYSICIAN_SEED"], profile, symlinks=True)
    if desk_profile.startswith("file://"):
        # The desk's own settings for editing, as LibreOffice would read them from its profile.
        xcu = uno.fileUrlToSystemPath(desk_profile) + "/user/registrymodifications.xcu"
        if os.path.exists(xcu):
            shutil.copy(xcu, os.path.join(profile, "user", "registrymodifications.xcu"))
    pipe = "physician%d" % os.getpid()
    env = dict(os.environ, SAL_USE_VCLPLUGIN="svp")
    office = subprocess.Popen([SOFFICE_BIN, "--headless", "--norestore", "--nologo", "--nodefault",
                               "-env:UserInstallation=" + uno.systemPathToFileUrl(profile),
                               "--accept=pipe,name=%s;urp;" % pipe], env=env)
    report = ["args=" + " ".join(args)]
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        ctx = None
        deadline = time.monotonic() + 120  # a loaded machine takes its time to start LibreOffice
        while time.monotonic() < deadline and office.poll() is None:
            try:
                ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:  # not up yet
                time.sleep(0.1)
        if ctx is None:
            log("no connection, soffice.bin ended with %s" % office.poll())
            return 1
        if desk_profile:
            report += desk_settings(ctx, [("/org.openoffice.Office.Common/Save/Document", "WarnAlienFormat"),
                                          ("/org.openoffice.Office.Paths/Variables", "Work")])
        smgr = ctx.ServiceManager
        desktop = smgr.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        dispatcher = smgr.createInstanceWithContext("com.sun.star.frame.DispatchHelper", ctx)
        doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(path), "_blank", 0, ())
        frame = doc.getCurrentController().getFrame()
        cursor = doc.getCurrentController().getViewCursor()
        for step in steps:
            verb, _, text = step.partition(":")
            if verb == "end":
                cursor.gotoRange(doc.getText().getEnd(), False)
            elif verb == "start":
                cursor.gotoRange(doc.getText().getStart(), False)
            elif verb == "find":
                found = doc.createSearchDescriptor()
                found.SearchString = text
                hit = doc.findFirst(found)
                cursor.gotoRange(hit.getStart(), False)
                cursor.goRight(4, False)
            elif verb == "type":
                before = doc.getText().getString()
                dispatcher.executeDispatch(frame, ".uno:InsertText", "", 0, (prop("Text", text),))
                report.append("typed=%s" % (doc.getText().getString() != before))
            elif verb == "para":
                dispatcher.executeDispatch(frame, ".uno:InsertPara", "", 0, ())
            elif verb == "store":
                doc.store()
            elif verb == "odf":
                odt = os.path.splitext(path)[0] + ".odt"
                doc.storeAsURL(uno.systemPathToFileUrl(odt), (prop("FilterName", "writer8"),))
            elif verb == "close":
                doc.close(True)
                log(" ".join(report))
                try:
                    desktop.terminate()
                except Exception:  # the bridge goes with the process
                    pass
                office.wait(60)
                return 0
            elif verb == "wait":
                go = os.environ.get("VELMO_PHYSICIAN_LOG", "") + ".go"
                deadline = time.monotonic() + 120
                while not os.path.exists(go) and time.monotonic() < deadline:
                    time.sleep(0.05)
            elif verb == "kill":
                log(" ".join(report))
                office.send_signal(signal.SIGKILL)
                office.wait(60)
                return 0
        log(" ".join(report))
        return 0
    finally:
        if office.poll() is not None:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
