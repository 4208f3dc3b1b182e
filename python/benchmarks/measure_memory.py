"""Resident memory of one process over many veld.run calls.

    PYTHONPATH=build/python /usr/bin/python3 python/benchmarks/measure_memory.py [RUNS]

Runs RUNS times (10 000 unless given) through a cycle of settings in which one run in ten
fails with ZeroMaximumError, after 200 runs to warm up, and prints the resident set size
(VmRSS) every tenth of the way. Flat figures mean that nothing is kept from one run to the next:
not the result arrays, not the work bitmaps, not an exception's traceback.
"""

import sys

import veld


def resident_kib():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS in /proc/self/status")


SETTINGS = [{"gains": [100] * 12}, {"gains": [100] * 4 + [0] * 8}, {"gains": [200] * 12},
            {"positions": [0, 37, 100, 150, 200, 5, 60, 199, 1, 100, 80, 120]}]


def one_run(index, sources):
    source = sources[index % len(sources)]
    if index % 10 == 9:
        try:
            veld.run(source, gains=[0] * 12)
        except veld.ZeroMaximumError:
            return
        raise AssertionError("every gain 0 did not fail")
    veld.run(source, **SETTINGS[index % len(SETTINGS)])


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 10_000
    sources = [veld.sample(name) for name in veld.SAMPLES]
    for index in range(200):
        one_run(index, sources)
    start = resident_kib()
    print(f"after 200 runs to warm up: {start} KiB resident")
    peak = start
    for index in range(1, runs + 1):
        one_run(index, sources)
        if index % max(1, runs // 10) == 0:
            now = resident_kib()
            peak = max(peak, now)
            print(f"after {index:6} runs: {now} KiB resident ({now - start:+d} KiB)")
    print(f"largest {peak} KiB, {peak - start:+d} KiB over the start")


if __name__ == "__main__":
    main()
