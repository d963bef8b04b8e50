#!/usr/bin/python3
"""What a screen reader finds in the running client, through AT-SPI.

Run inside a D-Bus session of its own (dbus-run-session) on an X display:

    dbus-run-session -- tests/ui/accessibility/screen-reader-names.py <lorvex binary>

Starts the accessibility bus, then the client with Qt's AT-SPI bridge on, and reads its
tree of accessible objects: every title button is a push button with its Chinese name
and a press action, the search box and the notice are named, and the panel's buttons
keep their captions as names. Prints the tree it read when a check fails. The client
needs no portal for this: its pages may fail to load. Exits 77 (skipped) without pyatspi
or the accessibility bus.
"""

import os
import subprocess
import sys
import tempfile
import time

try:
    import pyatspi
except ImportError:
    print("python3-pyatspi is needed")
    sys.exit(77)

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
TITLE_BUTTONS = ["帮助", "最小化", "最大化/还原", "关闭"]
PANEL_BUTTONS = ["分类", "后退", "前进", "置顶", "关于", "编辑", "收藏", "曲库", "铃声", "电影",
                 "眩图", "建议", "找歌", "登陆网站下载"]
SEARCH_BOX = "搜索歌曲"
NOTICE = "3.2测试版不支持MTV下载"


def deadline(seconds):
    try:
        scale = float(os.environ.get("LORVEX_TEST_DEADLINE_SCALE", "1"))
    except ValueError:
        scale = 1
    return time.monotonic() + seconds * max(1.0, scale)


def wait_until(done, seconds):
    """Calls done() every tenth of a second until it gives a true value or time runs out."""
    end = deadline(seconds)
    while True:
        value = done()
        if value or time.monotonic() > end:
            return value
        time.sleep(0.1)


def find_client(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:  # an application that went away meanwhile
            continue
    return None


def walk(node, depth=0, found=None):
    """(role, name, actions, depth) of every object under node."""
    if found is None:
        found = []
    try:
        actions = []
        action = node.queryAction()
        actions = [action.getName(i) for i in range(action.nActions)]
    except NotImplementedError:
        pass
    except Exception:
        pass
    role = node.getRoleName()
    found.append((role, node.name, actions, depth))
    # The pages' own trees are the web engine's, built only when asked for: not read.
    if role == "document web":
        return found
    for child in node:
        if child is not None:
            walk(child, depth + 1, found)
    return found


def check(tree):
    """The failures, as sentences."""
    failures = []

    def objects(role, name):
        return [entry for entry in tree if entry[0] == role and entry[1] == name]

    for name in TITLE_BUTTONS:
        buttons = objects("push button", name)
        if len(buttons) != 1:
            failures.append("no single push button named %s" % name)
        elif not any(a.lower() == "press" for a in buttons[0][2]):
            failures.append("%s has no press action (%s)" % (name, buttons[0][2]))
    for name in PANEL_BUTTONS:
        if not objects("push button", name):
            failures.append("no panel button named %s" % name)
    if not objects("text", SEARCH_BOX) and not objects("entry", SEARCH_BOX):
        failures.append("no search box named %s" % SEARCH_BOX)
    if not [entry for entry in tree if entry[0] == "label" and entry[1] == NOTICE]:
        failures.append("the notice is not readable")
    return failures


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    if not os.path.exists(BUS_LAUNCHER):
        print("at-spi2-core's bus launcher is needed")
        return 77
    launcher = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    home = tempfile.TemporaryDirectory()
    runtime = os.path.join(home.name, "runtime")
    os.mkdir(runtime, 0o700)
    environment = dict(os.environ, HOME=home.name, XDG_RUNTIME_DIR=runtime,
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    client = subprocess.Popen([sys.argv[1]], env=environment, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    tree = []
    failures = ["the client did not appear on the accessibility bus"]
    try:
        # The bridge registers the application, then its window; its controls follow.
        def read():
            nonlocal tree, failures
            if client.poll() is not None:
                return True
            app = find_client(client.pid)
            if app is None:
                return False
            tree = walk(app)
            failures = check(tree)
            return not failures
        wait_until(read, 60)
        if client.poll() is not None:
            failures = ["the client ended with code %d" % client.returncode]
    finally:
        client.terminate()
        try:
            client.wait(timeout=10)
        except subprocess.TimeoutExpired:
            client.kill()
        launcher.terminate()
        launcher.wait()
    if failures:
        for role, name, actions, depth in tree:
            print("%s%s %r %s" % ("  " * depth, role, name, actions if actions else ""))
        for failure in failures:
            print("FAIL:", failure)
        return 1
    print("every title button, the search box, the notice and the panel's buttons are named")
    return 0


if __name__ == "__main__":
    sys.exit(main())
