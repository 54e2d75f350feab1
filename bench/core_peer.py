"""Whole-process comparison of one conversion of the largest project file (load and save):
sigcfg-tool convert against Python's configparser reading and writing the same file, with
/bin/true as the floor of any process. Each command runs in turn, round after round, so that
all three see the same machine; CPU (user + system, from wait4) and wall medians are printed."""
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


def worst_project(path):
    """All 1024 scenarios at one time on every day: the longest clash report there is."""
    lines = ["[Project]", "Name=Worst", "Device=Велтара ДК-М-32", "[Groups]"]
    lines += [f"{g - 1}={g};G{g};{g};" for g in range(1, 33)]
    lines.append("[Scenarios]")
    lines += [f"{k}={k // 32 + 1};S{k};8;30;20;1;0;1;2;3;4;5;6;" for k in range(1024)]
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1251"))


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
    commands = {
        "/bin/true": ["/bin/true"],
        "sigcfg-tool convert": [tool, "convert", source, os.path.join(work, "ours.vlpj")],
        "configparser read+write": [sys.executable, __file__, "peer", source, os.path.join(work, "peer.vlpj")],
    }
    rounds = 40
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
    print(f"ours / /bin/true (CPU): {ours / statistics.median(cpu['/bin/true']):.1f}x")

    worst = os.path.join(work, "worst.vlpj")
    worst_project(worst)
    report = os.path.join(work, "report.txt")
    times = [measure([tool, "check", worst], stdout=report) for _ in range(9)]
    with open(report, "rb") as f:
        lines = sum(1 for _ in f)
    print(f"check of the worst project to a file ({lines} lines): "
          f"CPU {statistics.median(t[0] for t in times) * 1e3:.0f} ms, wall {statistics.median(t[1] for t in times) * 1e3:.0f} ms")


if __name__ == "__main__":
    main()
