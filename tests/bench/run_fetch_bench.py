"""Runs fetch_bench.exe under Wine against a loopback server holding a large list, and prints
how fetch_remote_text compares with a bare WinINet read loop: median times, their ratio (the
goal is at most 1.3), the cost of first touching fresh memory, and peak memory.

    . /tmp/<own>-ws/session.env        # a Wine session (tools/wine-session.sh start)
    python3 tests/bench/run_fetch_bench.py [--exe PATH] [--megabytes 50] [--rounds 9]

A benchmark, not a test: it fails only when the fetch itself goes wrong."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))

from scripted_server import Reply, ScriptedServer  # noqa: E402
from winapp import run_wine  # noqa: E402

DEFAULT_EXE = os.path.join(HERE, "..", "..", "build", "win64", "tests", "bench", "fetch_bench.exe")
GOAL = 1.3
MB = 1024 * 1024


def list_body(size):
    """SIZE bytes of list lines in code page 936, without a NUL (the fetch would stop there)."""
    line = "第{:07d}集 电影库 http://127.0.0.1/软件的/电影库/电影.txt\r\n"
    parts, total, n = [], 0, 0
    while total < size:
        chunk = "".join(line.format(n + i) for i in range(1000)).encode("gbk")
        parts.append(chunk)
        total += len(chunk)
        n += 1000
    return b"".join(parts)[:size]


def server_alone_ms(url, rounds=3):
    """The server's own pace: a native client (curl) pulling the same body, best of ROUNDS."""
    if not shutil.which("curl"):
        return None
    best = None
    for _ in range(rounds):
        start = time.perf_counter()
        subprocess.run(["curl", "-sS", "-o", "/dev/null", url], check=True, timeout=120)
        elapsed = (time.perf_counter() - start) * 1000
        best = elapsed if best is None else min(best, elapsed)
    return best


def memory_lines(output):
    counters = {}
    for match in re.finditer(r"memory when=(\S+) (.*)", output):
        counters[match[1]] = {key: int(value) for key, value in re.findall(r"(\w+)=(\d+)", match[2])}
    return counters


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", default=os.environ.get("FETCH_BENCH_EXE", DEFAULT_EXE))
    parser.add_argument("--megabytes", type=int, default=50)
    parser.add_argument("--rounds", type=int, default=9)
    options = parser.parse_args()
    if not os.path.isfile(options.exe):
        sys.exit(f"no fetch_bench.exe at {options.exe}: build the win64 preset first")

    size = options.megabytes * MB
    body = list_body(size)
    timeout = 120 + options.rounds * 20
    with ScriptedServer() as server:
        server.route("/big.txt", Reply(body=body))
        url = server.url("/big.txt")

        alone = server_alone_ms(url)
        print(f"body {size} bytes; server alone (curl, best of 3): "
              + ("curl not found" if alone is None else f"{alone:.1f} ms"))

        result = run_wine([options.exe, "time", url, size, options.rounds], timeout=timeout, check=False)
        output = result.stdout.decode("ascii", "replace")
        print(output, end="")
        if result.returncode != 0:
            sys.exit(f"fetch_bench time failed ({result.returncode}): {result.stderr.decode(errors='replace')}")
        ratios = dict(re.findall(r"(ratio\w*)=([\d.]+)", output))

        for way in ("fetch", "bare"):
            result = run_wine([options.exe, "memory", way, url, size], timeout=timeout, check=False)
            output = result.stdout.decode("ascii", "replace")
            if result.returncode != 0:
                sys.exit(f"fetch_bench memory {way} failed ({result.returncode}): {output}")
            counters = memory_lines(output)
            start, end = counters["start"], counters["end"]
            held = counters["holding-text" if way == "fetch" else "holding-buffer"]
            print(f"memory {way}: PeakWorkingSetSize {end['PeakWorkingSetSize'] / MB:.1f} MB "
                  f"(+{(end['PeakWorkingSetSize'] - start['WorkingSetSize']) / MB:.1f} MB over the start), "
                  f"PagefileUsage while holding the body {held['PagefileUsage'] / MB:.1f} MB, "
                  f"PeakPagefileUsage at the end {end['PeakPagefileUsage'] / MB:.1f} MB, "
                  f"page faults {end['PageFaultCount'] - start['PageFaultCount']}")

    ratio = float(ratios["ratio"])
    print(f"ratio fetch/bare {ratio:.3f} (goal at most {GOAL}): {'met' if ratio <= GOAL else 'NOT met'}; "
          f"fetch/fresh {float(ratios['ratio_fresh']):.3f}")


if __name__ == "__main__":
    main()
