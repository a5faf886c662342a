#!/usr/bin/python3
"""What a screen reader finds in the running game, read over the accessibility bus.

    atspi_check.py GAME_PID

The game runs on $DISPLAY with its accessibility on, and $DBUS_SESSION_BUS_ADDRESS leads to the
accessibility bus. Prints each accessible object of the window as a screen reader meets it, at
start-up and once a round runs, and exits with 1 when something a player needs is missing.
"""

import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

WAIT = 30.0  # seconds allowed for anything to reach the bus, busy machine or not

# The window's objects in creation order, each with its role and name; the picture boxes that
# never show are not among them. Roles are compared as roles: AT-SPI 2.46 calls a button a
# "push button", 2.56 a "button".
WINDOW = [(pyatspi.ROLE_COMBO_BOX, "Speed"), (pyatspi.ROLE_PUSH_BUTTON, "Start"),
          (pyatspi.ROLE_CANVAS, "Playfield"), (pyatspi.ROLE_LABEL, "BALL 0"),
          (pyatspi.ROLE_LABEL, "SCORE 0000"), (pyatspi.ROLE_LABEL, "HISCORE 00000"),
          (pyatspi.ROLE_LABEL, "STAGE 00"), (pyatspi.ROLE_LABEL, "SPEED :")]

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)
    return ok


def pump(seconds, done=lambda: False):
    """Runs the event loop, which delivers bus events, until done() or the time is up."""
    end = time.monotonic() + seconds
    while not done() and time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        time.sleep(0.02)
    return done()


def text(obj):
    try:
        return obj.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def states(obj):
    obj.clearCache()
    return set(obj.getState().getStates())


def describe(obj, depth=1):
    """Prints the object and all below it, and returns them all."""
    names = ", ".join(sorted(pyatspi.stateToString(s) for s in states(obj)))
    shown = "" if text(obj) is None else f" text={text(obj)!r}"
    print(f"{'  ' * depth}{obj.getRoleName()} {obj.name!r}{shown} [{names}]")
    return [obj] + [d for child in obj for d in describe(child, depth + 1)]


def window(pid):
    """The game's window, once the game has reached the bus with all of its controls."""
    end = time.monotonic() + WAIT
    while time.monotonic() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid:
                for w in app:
                    if w.childCount >= len(WINDOW):
                        return w
        time.sleep(0.1)
    return None


def main():
    win = window(int(sys.argv[1]))
    if not check(win is not None, "the game's window reaches the bus"):
        return 1
    print("At start-up:")
    check(all(o.name for o in describe(win)), "every object has a name")
    check(win.getRole() == pyatspi.ROLE_FRAME and win.name == "Pomuran (ポムラン)",
          "the window is a frame named Pomuran (ポムラン)")
    check(pyatspi.STATE_RESIZABLE not in states(win), "the window is not resizable")
    check([(c.getRole(), c.name) for c in win] == WINDOW,
          "the window holds its controls with their names, and nothing hidden")

    speed, start = (next((c for c in win if c.name == n), None) for n in ("Speed", "Start"))
    if not check(speed is not None and start is not None, "the speed list and START are there"):
        return 1
    check(text(speed) == "LOW", "the speed list reads as its chosen entry, LOW")
    descriptions = {c.name: c.description for c in win}
    check(descriptions["Playfield"] ==
          "Move the mouse here to move the paddle. Press START or click here to start a round." and
          descriptions["Start"] == "Starts a round: the ball leaves the paddle." and
          descriptions["Speed"] == "LOW, MID or HIGH. In this version the ball keeps one speed "
          "whichever is chosen. It cannot be changed during a round.",
          "the playfield, START and the speed list say what they do in this version")
    labels = [r.getTarget(i).name for r in speed.getRelationSet()
              if r.getRelationType() == pyatspi.RELATION_LABELLED_BY
              for i in range(r.getNTargets())]
    check(labels == ["SPEED :"], "the speed list is labelled by SPEED :")

    # A screen reader learns of a new entry from the events the list sends.
    heard = []
    def listen(event):
        if event.source == speed:
            heard.append((event.type, event.any_data))
    kinds = ["object:text-changed", "object:selection-changed",
             "object:property-change:accessible-name"]
    # The registry tells the game of the new listener before it answers; the bus then brings
    # the game that news before the call that follows, which the game answers only after it.
    pyatspi.Registry.registerEventListener(listen, *kinds)
    speed.queryComponent().grabFocus()
    check(pump(WAIT, lambda: pyatspi.STATE_FOCUSED in states(speed)), "the speed list takes focus")
    subprocess.run(["xdotool", "key", "Down"], check=True)
    check(pump(WAIT, lambda: text(speed) == "MID"), "the speed list reads MID after Down")
    inserted = pump(WAIT, lambda: ("object:text-changed:insert", "MID") in heard)
    print("Events from the speed list:", heard)
    check(inserted, "the new entry reaches the bus as text")
    # An entry chosen in the open list, a key at a time as a player types, was heard there: its
    # closing announces nothing; what it sent is on the bus before the closed list's next entry.
    subprocess.run(["xdotool", "key", "alt+Down"], check=True)
    check(pump(WAIT, lambda: pyatspi.STATE_EXPANDED in states(speed)), "the speed list opens")
    subprocess.run(["xdotool", "key", "Down"], check=True)
    check(pump(WAIT, lambda: pyatspi.STATE_SELECTED in states(speed[0][2])), "Down picks HIGH")
    subprocess.run(["xdotool", "key", "Return"], check=True)
    check(pump(WAIT, lambda: text(speed) == "HIGH"), "the speed list reads HIGH, chosen open")
    check(pump(WAIT, lambda: pyatspi.STATE_EXPANDED not in states(speed)) and
          pyatspi.STATE_EXPANDABLE in states(speed), "the closed list is expandable, not expanded")
    subprocess.run(["xdotool", "key", "Up"], check=True)
    again = pump(WAIT, lambda: heard.count(("object:text-changed:insert", "MID")) == 2)
    check(again and ("object:text-changed:insert", "HIGH") not in heard,
          f"an entry chosen in the open list is not announced again as it closes: {heard}")
    pyatspi.Registry.deregisterEventListener(listen, *kinds)

    action = start.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    if check("press" in names, "START can be pressed through its action"):
        action.doAction(names.index("press"))
    locked = (pyatspi.STATE_SENSITIVE, pyatspi.STATE_ENABLED)
    check(pump(WAIT, lambda: all(s not in states(o) for o in (start, speed) for s in locked)),
          "during a round START and the speed list are greyed out")
    check(speed.queryAction().nActions == 0, "the greyed-out list offers no action to open it")
    print("Once a round runs:")
    describe(win)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
