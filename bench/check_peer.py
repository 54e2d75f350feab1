"""The worst check report into a file: `sigcfg-tool check` of the project with the most clashes
against `cat` of the very same report bytes into a file of the same folder. GNU cat copies a
regular file with copy_file_range, so its side is the kernel's own copy of the bytes into the page
cache: the floor of any program that puts them there. Each round removes both outputs before it
measures, so no side pays for truncating an old one, and after it, so the disk never has to take
them. CPU (user + system, from wait4) and wall medians are printed, and the CPU ratio."""
import filecmp
import os
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from core_peer import measure  # noqa: E402


def worst_project(path):
    """All 1024 scenarios at one time on every day: the longest clash report there is."""
    lines = ["[Project]", "Name=Worst", "Device=Велтара ДК-М-32", "[Groups]"]
    lines += [f"{g - 1}={g};G{g};{g};" for g in range(1, 33)]
    lines.append("[Scenarios]")
    lines += [f"{k}={k // 32 + 1};S{k};8;30;20;1;0;1;2;3;4;5;6;" for k in range(1024)]
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1251"))


def main():
    tool, work = sys.argv[1], sys.argv[2]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 9
    worst = os.path.join(work, "worst.vlpj")
    worst_project(worst)
    report = os.path.join(work, "report.txt")
    measure([tool, "check", worst], stdout=report)
    os.sync()  # the report's own write-back must not run under the rounds
    ours_out, cat_out = os.path.join(work, "ours.txt"), os.path.join(work, "cat.txt")
    sides = {"sigcfg-tool check > file": ([tool, "check", worst], ours_out),
             "cat report > file": (["/bin/cat", report], cat_out)}
    cpu = {name: [] for name in sides}
    wall = {name: [] for name in sides}
    for k in range(rounds):
        for name, (argv, out) in sides.items():
            c, w = measure(argv, stdout=out)
            cpu[name].append(c * 1e3)
            wall[name].append(w * 1e3)
        if k == 0 and not filecmp.cmp(ours_out, cat_out, shallow=False):
            sys.exit("the two outputs differ")
        for _, out in sides.values():
            os.remove(out)
    print(f"worst check report: {os.path.getsize(report)} bytes; {rounds} rounds, medians")
    for name in sides:
        print(f"  {name:26} CPU {statistics.median(cpu[name]):7.1f} ms   wall {statistics.median(wall[name]):7.1f} ms")
    ratio = statistics.median(cpu["sigcfg-tool check > file"]) / statistics.median(cpu["cat report > file"])
    print(f"ours / cat (CPU): {ratio:.2f}x")


if __name__ == "__main__":
    main()
