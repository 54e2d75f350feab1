"""Whole-process comparison of one conversion of the largest project file (load and save):
sigcfg-tool convert against Python's configparser reading and writing the same file, with
/bin/true as the floor of any process and, when built, bench/file_floor as the floor of any
conversion (one read, and the safe save's write, flushes and rename, in a program linked as the
tool is). Each command runs in turn, round after round, so that all see the same machine; CPU
(user + system, from wait4) and wall medians are printed. The worst check report has its own
peer script, check_peer.sh."""
import configparser
import os
import statistics
import subprocess
import sys
import time


def peer(source, target):
    """The peer's work: read the project file as an INI file and write it back."""
    with open(source, "rb") as f:
        text = f.read().decode("cp1251")
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.optionxform = str
    parser.read_string(text)
    with open(target, "w", encoding="cp1251", newline="\r\n") as f:
        parser.write(f, space_around_delimiters=False)
        f.flush()
        os.fsync(f.fileno())


def measure(argv, stdout=None):
    start = time.perf_counter()
    actions = [] if stdout is None else [(os.POSIX_SPAWN_OPEN, 1, stdout, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) not in (0, 1 if stdout else 0):
        sys.exit(f"{' '.join(argv)} failed")
    return usage.ru_utime + usage.ru_stime, wall


def main():
    if sys.argv[1] == "peer":
        peer(sys.argv[2], sys.argv[3])
        return
    tool, source, work = sys.argv[1], sys.argv[2], sys.argv[3]
    floor = sys.argv[4] if len(sys.argv) > 4 and os.access(sys.argv[4], os.X_OK) else None
    commands = {
        "/bin/true": ["/bin/true"],
        **({"read + safe write floor": [floor, source, os.path.join(work, "floor.vlpj")]} if floor else {}),
        "sigcfg-tool convert": [tool, "convert", source, os.path.join(work, "ours.vlpj")],
        "configparser read+write": [sys.executable, __file__, "peer", source, os.path.join(work, "peer.vlpj")],
    }
    rounds = 60
    cpu = {name: [] for name in commands}
    wall = {name: [] for name in commands}
    for _ in range(rounds):
        for name, argv in commands.items():
            c, w = measure(argv)
            cpu[name].append(c * 1e3)
            wall[name].append(w * 1e3)
    print(f"project file: {os.path.getsize(source)} bytes; {rounds} rounds, medians")
    for name in commands:
        print(f"  {name:26} CPU {statistics.median(cpu[name]):7.2f} ms   wall {statistics.median(wall[name]):7.2f} ms")
    ours = statistics.median(cpu["sigcfg-tool convert"])
    print(f"configparser / ours (CPU): {statistics.median(cpu['configparser read+write']) / ours:.1f}x")
    true_cpu = statistics.median(cpu["/bin/true"])
    print(f"ours / /bin/true (CPU): {ours / true_cpu:.2f}x")
    if floor:
        print(f"floor / /bin/true (CPU): {statistics.median(cpu['read + safe write floor']) / true_cpu:.2f}x")


if __name__ == "__main__":
    main()
