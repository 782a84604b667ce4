"""Drives the Tavrinel window over the accessibility bus, as a screen reader would, and checks it.

Run by tools/test-desktop.sh with /usr/bin/python3 (where Debian's python3-pyatspi is), on the
private D-Bus session the app was started on with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1:

  drive-desktop.py --pid PID --wid XID [--selected PATH] [--file PATH --expect LABEL TOOL VALUE
                    (five times)]

With --selected, the app was started with that file: the path edit must show it, with the run
button pressable. With --file, that file is chosen in the open-file dialog and run.

Every control is found by the name a screen reader says for it, so a lost name fails here.
Each action is followed by a bounded wait on what it visibly does (a dialog, a box, a button
that becomes pressable, a value on the clipboard) and is tried again a bounded number of
times when that does not come. Prints one `ok`/`FAIL` line per check, as tools/lib.sh's
`check` does. A step that cannot go on prints what the window showed and ends with status 2;
otherwise the status is 1 when a check failed, else 0.
"""

import argparse
import os
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402
import pyatspi  # noqa: E402

TITLE_PREFIX = "Tavrinel Ver 2.0 - "
# The seven edits, named after the label beside each; the bar's name; the path edit's hint.
PATH_NAME = "파일 경로"
COMPARE_NAME = "비교할 해시값을 아래에 입력해주세요"
ALGORITHMS = ["CRC32", "MD5", "SHA-1", "SHA-256", "SHA-512"]
PROGRESS_NAME = "해시 계산 진행률"
DROP_HINT = "파일을 드래그앤 드롭으로 프로그램에 올려놓아도 자동으로 경로를 입력받습니다"
BROWSE, RUN, COMPARE = "파일선택", "파일 해시섬 확인", "해시 값 비교"
COPY_CAPTION, MATCH_CAPTION = "알림", "일치하는 해시 값이 있습니다"

# How long one action's effect may take, and how often the action is tried. Normally each
# comes within a second; the margin is for a machine whose cores are busy with other jobs.
EFFECT_SECONDS = 15
TRIES = 3
START_SECONDS = 60

failed = 0


class StepFailed(Exception):
    """A step the rest cannot go on without; `counted` when a failed check already said why."""

    def __init__(self, what, counted=False):
        super().__init__(what)
        self.counted = counted


def say(line):
    print(line, flush=True)


def check(what, ok, seen=""):
    global failed
    if ok:
        say(f"ok   {what}")
    else:
        failed += 1
        say(f"FAIL {what}" + (f" (saw {seen})" if seen else ""))


def found(got):
    # Not plain truth: an accessible object with no children is false in Python.
    return got is not None and got is not False and not (isinstance(got, (list, str)) and not got)


def poll(seconds, probe):
    """Calls probe every 0.1 s until it returns something found, for at most `seconds`.
    A call that fails (the app busy past the bus's timeout, a window closing under us) counts
    as not yet."""
    end = time.monotonic() + seconds
    while True:
        try:
            got = probe()
            if found(got):
                return got
        except Exception:  # noqa: BLE001 - any bus error means: look again
            pass
        if time.monotonic() >= end:
            return None
        time.sleep(0.1)


def act(what, action, effect, seconds=EFFECT_SECONDS, tries=TRIES):
    """Does `action`, waits for `effect`; tries again when it does not come. Returns the
    effect's value and how many tries it took."""
    for attempt in range(1, tries + 1):
        try:
            action()
        except Exception as error:  # noqa: BLE001 - a press lost on the bus is tried again
            say(f"     {what}: try {attempt} failed on the bus: {error}")
        got = poll(seconds, effect)
        if found(got):
            return got, attempt
    raise StepFailed(f"{what}: not seen after {tries} tries, {seconds} s each")


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def states(node):
    return {pyatspi.stateToString(s) for s in node.getState().getStates()}


def pressable(node):
    s = states(node)
    return "enabled" in s and "sensitive" in s and "showing" in s


def text_of(node):
    return node.queryText().getText(0, -1)


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == "Press":
            action.doAction(i)
            return
    raise StepFailed(f"'{node.name}' offers no Press action")


class Window:
    """The app's windows on the accessibility bus, found by its process id."""

    def __init__(self, pid, wid):
        self.pid, self.wid = pid, wid

    def app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.pid:
                return app
        return None

    def tops(self):
        app = self.app()
        return [app.getChildAtIndex(i) for i in range(app.childCount)] if app else []

    def main(self):
        for top in self.tops():
            if top is not None and top.name.startswith(TITLE_PREFIX):
                return top
        return None

    def others(self, role=None):
        """Top-level windows other than the main one: dialogs and message boxes."""
        return [t for t in self.tops()
                if t is not None and not t.name.startswith(TITLE_PREFIX)
                and (role is None or t.getRoleName() == role)]

    def control(self, role, name, root=None):
        for node in walk(root or self.main()):
            if node.getRoleName() == role and node.name == name:
                return node
        return None

    def need(self, role, name, root=None):
        node = self.control(role, name, root)
        if node is None:
            raise StepFailed(f"no {role} named '{name}'")
        return node

    def box(self, caption=None):
        for top in self.others():
            if top.getRoleName() in ("alert", "dialog") and (caption is None or top.name == caption):
                return top
        return None

    def box_text(self, box):
        """The message of a box: its labels' texts, the empty icon label left out."""
        return "\n".join(n.name for n in walk(box) if n.getRoleName() == "label" and n.name)

    def close_box(self, box, what):
        ok = self.need("push button", "OK", box)
        act(f"OK on the {what} box", lambda: press(ok), lambda: not self.others())

    def describe(self):
        """What the window showed, control by control: enough to tell a lost click (a button
        still disabled, a dialog still open) from a wrong value from a hang."""
        lines = []
        try:
            for top in self.tops():
                if top is None:
                    continue
                lines.append(f"window {top.getRoleName()} '{top.name}' {sorted(states(top))}")
                for node in walk(top):
                    if node is top or node.getRoleName() in ("filler", "panel", "scroll bar"):
                        continue
                    value = ""
                    if "Text" in pyatspi.listInterfaces(node):
                        value = f" shows '{text_of(node)[:140]}'"
                    if node.getRoleName() == "progress bar":
                        value = f" at {node.queryValue().currentValue:g}"
                    flags = "enabled" if pressable(node) else "disabled"
                    lines.append(f"  {node.getRoleName()} '{node.name[:70]}' {flags}{value}")
                    if len(lines) > 120:
                        lines.append("  ...")
                        return lines
        except Exception as error:  # noqa: BLE001
            lines.append(f"(the accessibility bus stopped answering: {error})")
        if not lines:
            lines.append("(the app shows no window on the accessibility bus)")
        return lines


def x_active(wid):
    run = subprocess.run(["xdotool", "getactivewindow"], capture_output=True, text=True, timeout=10)
    return run.returncode == 0 and run.stdout.strip() == str(wid)


def clipboard():
    """The clipboard as another program reads it; None when nobody holds one."""
    run = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True,
                         timeout=10)
    return run.stdout.decode("utf-8", "replace") if run.returncode == 0 else None


def drive(args, w):
    main = poll(START_SECONDS, w.main)
    if main is None:
        raise StepFailed(f"no window titled '{TITLE_PREFIX}...' on the accessibility bus "
                         f"within {START_SECONDS} s")
    expected = {label: (tool, value) for label, tool, value in args.expect}

    # Names first: every later step finds its controls by them.
    edits = [n for n in walk(main) if n.getRoleName() == "text"]
    names = [n.name for n in edits]
    wanted = [PATH_NAME, COMPARE_NAME] + ALGORITHMS
    check("the seven edits are named by their labels: " + ", ".join(wanted),
          names == wanted, "edits named " + ", ".join(f"'{n}'" for n in names))
    for edit in edits:
        labels = [r.getTarget(i).name for r in edit.getRelationSet()
                  if r.getRelationType() == pyatspi.RELATION_LABELLED_BY
                  for i in range(r.getNTargets())]
        if edit.name and labels != [edit.name]:
            check(f"the edit '{edit.name}' is labelled by its label", False, f"labels {labels}")
    bars = [n.name for n in walk(main) if n.getRoleName() == "progress bar"]
    check(f"the progress bar is named '{PROGRESS_NAME}'", bars == [PROGRESS_NAME], f"{bars}")
    path = w.control("text", PATH_NAME)
    check("the path edit describes the drag-and-drop hint",
          path is not None and path.description == DROP_HINT,
          f"'{path.description}'" if path else "no path edit")
    if failed:
        raise StepFailed("the controls are not all named as a screen reader needs",
                         counted=True)

    run, compare = w.need("push button", RUN), w.need("push button", COMPARE)
    if args.selected:
        shown = poll(EFFECT_SECONDS, lambda: text_of(path) == args.selected)
        check(f"started with {args.selected}, the path edit shows it", shown,
              f"'{text_of(path)}'")
        check(f"started with a file, {RUN} is pressable",
              poll(EFFECT_SECONDS, lambda: pressable(run)) is not None)
    if not args.file:
        return

    # The real open-file dialog: the name typed into its name box, then Open.
    browse = w.need("push button", BROWSE)
    poll(EFFECT_SECONDS, lambda: pressable(browse))
    dialog, tries = act(f"{BROWSE} opens the open-file dialog", lambda: press(browse),
                        lambda: (w.others("dialog") or [None])[0])
    name_box = w.need("text", "File name:", dialog)
    open_button = w.need("push button", "Open", dialog)

    def type_and_open():
        name_box.queryEditableText().setTextContents(args.file)
        typed = poll(EFFECT_SECONDS,
                     lambda: text_of(name_box) == args.file and pressable(open_button))
        if typed is not None:
            press(open_button)

    act("Open on the dialog with the typed name", type_and_open,
        lambda: not w.others("dialog") and text_of(path) == args.file)
    check(f"the open-file dialog took the typed name; the path edit shows {args.file}"
          f" ({tries} press(es) of {BROWSE})", True)

    # The run: pressed until the compare button becomes pressable.
    if poll(EFFECT_SECONDS, lambda: pressable(run)) is None:
        raise StepFailed(f"{RUN} never became pressable after the file was chosen")
    _, tries = act(f"{RUN} ends with {COMPARE} pressable", lambda: press(run),
                   lambda: pressable(compare))
    check(f"the run ended: {COMPARE} pressable after {tries} press(es) of {RUN}", True)

    for label in ALGORITHMS:
        tool, want = expected[label]
        got = text_of(w.need("text", label))
        check(f"{label} in the window is {tool}'s {want}", got == want, f"'{got}'")
    bar = w.need("progress bar", PROGRESS_NAME).queryValue()
    check(f"the bar '{PROGRESS_NAME}' is full after the run",
          bar.currentValue == bar.maximumValue > 0,
          f"{bar.currentValue:g} of {bar.maximumValue:g}")

    # Each value copied with its own button, read back by another program.
    for label in ALGORITHMS:
        tool, want = expected[label]
        button = w.need("push button", f"{label} 해시 값 복사")
        if poll(EFFECT_SECONDS, lambda: pressable(button)) is None:
            raise StepFailed(f"the {label} copy button never became pressable")
        box, _ = act(f"the {label} copy button shows its box", lambda: press(button),
                     lambda: w.box(COPY_CAPTION))
        message = w.box_text(box)
        check(f"{label} copy: the box '{COPY_CAPTION}' names {label}",
              message.startswith(f"{label} 해시 값이 클립보드에 복사되었습니다"), f"'{message}'")
        seen = poll(EFFECT_SECONDS, lambda: (lambda c: c if c == want else None)(clipboard()))
        check(f"{label} copy: xclip reads {tool}'s value from the clipboard", seen == want,
              f"'{clipboard()}'")
        w.close_box(box, f"{label} copy")

    # The last value copied, pasted into the compare box with Ctrl+V and compared.
    label = ALGORITHMS[-1]
    tool, want = expected[label]
    compare_box = w.need("text", COMPARE_NAME)

    def paste():
        compare_box.queryEditableText().setTextContents("")
        if not x_active(args.wid):
            subprocess.run(["xdotool", "windowactivate", str(args.wid)], timeout=10)
            poll(EFFECT_SECONDS, lambda: x_active(args.wid))
        compare_box.queryComponent().grabFocus()
        if poll(EFFECT_SECONDS, lambda: "focused" in states(compare_box)) is not None:
            subprocess.run(["xdotool", "key", "--clearmodifiers", "ctrl+v"], timeout=10)

    act("Ctrl+V puts a value into the compare box", paste, lambda: text_of(compare_box) != "")
    pasted = text_of(compare_box)
    check(f"Ctrl+V puts {label}'s value into the compare box", pasted == want, f"'{pasted}'")
    if poll(EFFECT_SECONDS, lambda: pressable(compare)) is None:
        raise StepFailed(f"{COMPARE} is not pressable with a value to compare")
    box, _ = act(f"{COMPARE} shows its box", lambda: press(compare), lambda: w.box())
    message = w.box_text(box)
    title = os.path.basename(args.file)
    says = f"{title} 파일에 {label}해시 값 {want} 와 일치합니다"
    check(f"the compare box names {label} and the file: '{MATCH_CAPTION}' / '{says}'",
          (box.name, message) == (MATCH_CAPTION, says), f"'{box.name}' / '{message}'")
    w.close_box(box, "compare")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pid", type=int, required=True, help="the app's process id")
    parser.add_argument("--wid", type=int, required=True, help="its main window's X id")
    parser.add_argument("--selected", help="the file the app was started with")
    parser.add_argument("--file", help="the file to choose in the dialog and run")
    parser.add_argument("--expect", nargs=3, action="append", default=[],
                        metavar=("LABEL", "TOOL", "VALUE"), help="a value and who computed it")
    args = parser.parse_args()
    if args.file and sorted(label for label, _, _ in args.expect) != sorted(ALGORITHMS):
        parser.error("--expect is needed once for each of " + ", ".join(ALGORITHMS))
    # A click runs the whole checksum run before the app answers the bus again: give each
    # call that long before it counts as lost.
    Atspi.set_timeout(10000, START_SECONDS * 1000)
    w = Window(args.pid, args.wid)
    try:
        drive(args, w)
    except StepFailed as error:
        if error.counted:
            say(f"     stopped: {error}")
        else:
            check(str(error), False)
        say("---- what the window showed on the accessibility bus ----")
        for line in w.describe():
            say(line)
        return 2
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
