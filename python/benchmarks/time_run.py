"""veld.run timed the way veld-bench times the engine's run alone (ours/compute_pictures).

Both run the window's start-up source ("Wave") with every slider at 100; veld-bench reports
the median of 9 repetitions of at least 0.1 s each, in wall-clock and processor time per call,
and so does this script. Run it right after the benchmark, on the same build:

    build/bin/veld-bench --benchmark_filter=ours/compute_pictures --no-drag --no-interleave
    PYTHONPATH=build/python /usr/bin/python3 python/benchmarks/time_run.py
"""

import statistics
import time

import veld
from veld import _engine

REPETITIONS = 9
MIN_SECONDS = 0.1


def per_call(function):
    """Median wall-clock and processor microseconds per call over the repetitions."""
    function()
    count = 1
    while True:
        started = time.perf_counter()
        for _ in range(count):
            function()
        if time.perf_counter() - started >= MIN_SECONDS / 10:
            break
        count *= 2
    count = max(1, int(count * 10 * MIN_SECONDS / max(time.perf_counter() - started, 1e-9)))
    walls, cpus = [], []
    for _ in range(REPETITIONS):
        wall, cpu = time.perf_counter(), time.process_time()
        for _ in range(count):
            function()
        walls.append((time.perf_counter() - wall) / count * 1e6)
        cpus.append((time.process_time() - cpu) / count * 1e6)
    return statistics.median(walls), statistics.median(cpus)


def main():
    wave = veld.sample("Wave")
    positions = [100] * 12
    subjects = [
        ("veld.run(wave)", lambda: veld.run(wave)),
        ("veld._engine.run, no argument checks", lambda: _engine.run(wave, positions)),
    ]
    print(f"{'microseconds per call':40} {'wall':>10} {'cpu':>10}")
    for name, function in subjects:
        wall, cpu = per_call(function)
        print(f"{name:40} {wall:10.1f} {cpu:10.1f}")


if __name__ == "__main__":
    main()
