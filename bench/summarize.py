#!/usr/bin/python3
"""Prints one table of every benchmark figure against its aim, from the JSON
that each benchmark wrote and CTest's JUnit report of how each ended.

Usage: bench/summarize.py RESULTS_FOLDER JUNIT_XML AIMS_TSV
Exits 0 when every aim was measured and met, 1 otherwise. A benchmark that
stopped with an error, exited non-zero or wrote no figures is "not measured",
never met."""

import json
import math
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

UNIT_IN_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1000.0}


def read_aims(path):
    aims = []
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            if line.startswith("#") or not line.strip() or line.startswith("pattern\t"):
                continue
            pattern, figure, aim, unit, measure = line.rstrip("\n").split("\t")
            aims.append((re.compile(pattern), figure, float(aim), unit, measure))
    return aims


def read_tests(path):
    """Test name -> (passed, output)."""
    tests = {}
    if not os.path.exists(path):
        return tests
    for case in ElementTree.parse(path).getroot().iter("testcase"):
        failed = case.find("failure") is not None or case.get("status") not in (None, "run")
        out = case.find("system-out")
        tests[case.get("name")] = (not failed, out.text if out is not None and out.text else "")
    return tests


def quantile(values, q):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(q * (len(ordered) - 1) + 0.5))]


def figures(entries, unit):
    """Median, p90 and max of a benchmark's runs, in `unit`."""
    counters = entries[-1]
    if "median_" + unit in counters:
        return tuple(counters.get(name + "_" + unit, math.nan) for name in ("median", "p90", "max"))
    if unit != "ms":
        return (math.nan, math.nan, math.nan)
    samples = [entry["real_time"] * UNIT_IN_MS[entry.get("time_unit", "ns")] for entry in entries]
    return (quantile(samples, 0.5), quantile(samples, 0.9), max(samples))


def plain_name(run):
    """The run's name without the settings the library appends to it."""
    return re.sub(r"/(iterations:\d+|repeats:\d+|manual_time|real_time|min_time:[0-9.]+)", "", run)


def reason_from(output):
    """The benchmark program's own word on why it measured nothing."""
    lines = [re.sub(r"\x1b\[[0-9;]*m|\[NON-XML-CHAR-0x1B\]\[[0-9;]*m", "", line).strip() for line in output.splitlines()]
    for line in reversed(lines):
        if line.startswith("not measured:") and "/" not in line.split(":")[1]:
            return line[len("not measured:"):].strip()
    for line in reversed(lines):
        if "Segmentation fault" in line or "SegFault" in line or "Abort" in line:
            return "the benchmark program crashed"
    return "the benchmark program failed"


def rows_of(test, passed, output, results):
    name = test[len("bench."):] if test.startswith("bench.") else test
    path = os.path.join(results, name + ".json")
    try:
        with open(path, encoding="utf-8") as data:
            benchmarks = json.load(data).get("benchmarks", [])
    except (OSError, ValueError):
        return [(name, None, "not measured: " + reason_from(output))]
    groups = {}
    for entry in benchmarks:
        if entry.get("run_type", "iteration") != "iteration":
            continue
        groups.setdefault(plain_name(entry.get("run_name", entry["name"])), []).append(entry)
    rows = []
    for run, entries in groups.items():
        errors = [entry.get("error_message", "") for entry in entries if entry.get("error_occurred")]
        if errors:
            rows.append((run, None, "not measured: " + errors[0]))
        else:
            rows.append((run, entries, None))
    if not rows:
        rows.append((name, None, "not measured: " + reason_from(output)))
    if not passed and all(problem is None for _, _, problem in rows):
        # A program that failed with no run reporting why (a crash on the way
        # out, say) is not trusted for any of its figures.
        rows = [(run, None, "not measured: " + reason_from(output)) for run, _, _ in rows]
    return rows


def judge(run, entries, problem, aim):
    """One row of the table, and whether it counts as met."""
    measure = "%s (%s)" % (aim[4], run) if aim else run
    aim_text = "%s <= %s %s" % (aim[1], show(aim[2]), aim[3]) if aim else "-"
    if problem:
        return (measure, aim_text, "-", "-", "-", problem), False
    median, p90, top = figures(entries, aim[3] if aim else "ms")
    if not aim:
        return (measure, aim_text, show(median), show(p90), show(top), "no aim"), True
    value = {"median": median, "p90": p90, "max": top}[aim[1]]
    verdict = "met" if value <= aim[2] else ("not measured" if math.isnan(value) else "MISSED")
    return (measure, aim_text, show(median), show(p90), show(top), verdict), verdict == "met"


def show(value):
    if math.isnan(value):
        return "-"
    return "%.3g" % value if value < 100 else "%.0f" % value


def main():
    results, junit, aims_path = sys.argv[1:4]
    aims = read_aims(aims_path)
    tests = read_tests(junit)
    for file in sorted(os.listdir(results)):
        if file.endswith(".json") and "bench." + file[:-5] not in tests:
            tests["bench." + file[:-5]] = (True, "")
    table = [("measure", "aim", "median", "p90", "max", "verdict")]
    all_met = True
    for test in sorted(tests):
        passed, output = tests[test]
        for run, entries, problem in rows_of(test, passed, output, results):
            # The first aim that names the run, for each unit it is judged in.
            matched = {}
            for aim in aims:
                if aim[0].fullmatch(run) and aim[3] not in matched:
                    matched[aim[3]] = aim
            for aim in list(matched.values()) or [None]:
                row, met = judge(run, entries, problem, aim)
                table.append(row)
                all_met = all_met and met
    widths = [max(len(row[column]) for row in table) for column in range(5)]
    for row in table:
        print("  ".join(cell.ljust(width) for cell, width in zip(row, widths)) + "  " + row[5])
    return 0 if all_met else 1


if __name__ == "__main__":
    sys.exit(main())
