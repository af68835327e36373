#!/usr/bin/env python3
"""Opens a demo café: eight computers at 127.0.0.11 to 127.0.0.18, each with a
korvane-client agent, the screen of PC1 (its lock screen and time panel) in
windows of their own, and the console on them. Everything stays on loopback
(ports moved up by an offset, broadcasts kept on the loopback interface, the
screen on a socket in the demo's folder), and nothing is left running when
the console closes.

    ./korvane.sh demo [--home DIR] [--port-offset N]
"""
import argparse
import ctypes
import os
import signal
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "app")
PR_SET_PDEATHSIG = 1


def die_with_parent():
    # An agent must not outlive the demo, however the demo ends.
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--home", default=os.path.expanduser("~/.local/share/korvane-demo"))
    parser.add_argument("--port-offset", type=int, default=20000)
    args, console_args = parser.parse_known_args()

    env = dict(os.environ, KORVANE_PORT_OFFSET=str(args.port_offset), KORVANE_MULTICAST_IF="lo")
    tools = os.path.join(BIN, "korvane-tools")
    subprocess.run([tools, "--home", args.home, "install"], check=True, env=env, stdout=subprocess.DEVNULL)
    roster = subprocess.run([tools, "--home", args.home, "list-computers"], check=True, env=env,
                            capture_output=True, text=True).stdout
    if not roster.strip():
        for i in range(8):
            left = 900 + (i % 4) * 3000
            top = 900 + (i // 4) * 2600
            subprocess.run([tools, "--home", args.home, "add-computer", f"PC{i + 1}", f"127.0.0.{11 + i}",
                            str(left), str(top)], check=True, env=env, stdout=subprocess.DEVNULL)

    logs = os.path.join(args.home, "demo-logs")
    os.makedirs(logs, exist_ok=True)
    screen = os.path.join(logs, "pc1-screen")
    started = []
    try:
        for i in range(8):
            address = f"127.0.0.{11 + i}"
            log = open(os.path.join(logs, f"client-{address}.log"), "w")
            with_screen = ["--screen-socket", screen, "--cafe-name", "Korvane demo café"] if i == 0 else []
            started.append(subprocess.Popen(
                [os.path.join(BIN, "korvane-client"), "--listen", address, "--console", "127.0.0.1",
                 "--port-offset", str(args.port_offset)] + with_screen,
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, env=env,
                preexec_fn=die_with_parent))
        started.append(subprocess.Popen([os.path.join(BIN, "korvane-screen"), "--socket", screen, "--window"],
                                        stdin=subprocess.DEVNULL, env=env, preexec_fn=die_with_parent))
        print(f"Demo café in {args.home}: 8 client agents on 127.0.0.11-18, logs in {logs}")
        print("Log in as Admin with the password kelpo.")
        print("The window \"Korvane demo café\" is the screen of PC1: add a customer (Users > Add New User),")
        print("read the PIN (Users > Show Users, click the customer, click PIN) and type it there.")
        return subprocess.call([os.path.join(BIN, "korvane"), "--home", args.home] + console_args, env=env)
    finally:
        for a in started:
            a.terminate()
        for a in started:
            try:
                a.wait(timeout=3)
            except subprocess.TimeoutExpired:
                a.kill()


if __name__ == "__main__":
    sys.exit(main())
