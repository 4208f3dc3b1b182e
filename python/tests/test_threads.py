"""Runs from several threads at once take turns on the one engine; each gets its own pictures."""

import threading

import numpy as np

import veld

ROUNDS = 40


def test_two_threads_running_at_once_both_get_correct_pictures():
    # One thread alternates a failing run with a good one, so that a run may start right after
    # a run that stopped half-way; the other runs another sample at another setting.
    jobs = {
        "moon": (veld.sample("Moon"), {"gains": [100] * 4 + [0] * 8}),
        "wave": (veld.sample("Wave"), {"gains": [200] * 12}),
    }
    expected = {name: veld.run(source, **setting) for name, (source, setting) in jobs.items()}
    start = threading.Barrier(len(jobs))
    failures = []

    def work(name):
        source, setting = jobs[name]
        start.wait()
        for round_ in range(ROUNDS):
            if name == "moon" and round_ % 2:
                try:
                    veld.run(source, gains=[0] * 12)
                    failures.append(f"{name}, round {round_}: every gain 0 did not fail")
                except veld.ZeroMaximumError:
                    pass
                continue
            try:
                result = veld.run(source, **setting)
            except Exception as error:  # recorded: an exception in a thread fails no test
                failures.append(f"{name}, round {round_}: {error!r}")
                continue
            for field in ("spectrum", "output", "profile", "centred_spectrum",
                          "filtered_spectrum", "back_transform"):
                if not np.array_equal(getattr(result, field), getattr(expected[name], field)):
                    failures.append(f"{name}, round {round_}: {field} differs")

    # A thread that waited for the engine while holding the interpreter would deadlock the
    # process here: ctest's time limit then fails the test.
    threads = [threading.Thread(target=work, args=(name,)) for name in jobs]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []

