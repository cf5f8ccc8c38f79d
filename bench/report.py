#!/usr/bin/env python3
"""Prints the benchmark table from one run: Google Benchmark's JSON output of
quarnel_bench, the JSON lines of quarnel_bench_peak and the machine's text.

    report.py BENCH_JSON PEAK_JSONL MACHINE_TXT

Times are medians over the run's repetitions; every ratio compares figures
measured in this same run. Targets are judged at the sizes the issue names
and left blank where a size was not run.
"""

import json
import statistics
import sys
from collections import defaultdict


def load_times(path):
    """Median real time in ms and the counters of each benchmark run."""
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    times = defaultdict(list)
    counters = {}
    errors = {}
    for b in data["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        name = b["run_name"].split("/min_time")[0].split("/iterations")[0].split("/repeats")[0]
        name = name.replace("/real_time", "")
        if b.get("error_occurred"):
            errors[name] = b.get("error_message", "error")
            continue
        assert b["time_unit"] == "ms", b["time_unit"]
        times[name].append(b["real_time"])
        counters[name] = b
    return {k: statistics.median(v) for k, v in times.items()}, counters, errors


def load_peaks(path):
    peaks = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line:
                p = json.loads(line)
                peaks[(p["what"], p["records"])] = p
    return peaks


def fmt_ms(t):
    if t is None:
        return "—"
    if t < 0.01:
        return f"{t:.2g}"
    return f"{t:.3f}" if t < 1 else f"{t:.2f}" if t < 100 else f"{t:.0f}"


def fmt_ratio(r):
    return "—" if r is None else f"{r:.2f}"


def verdict(ok):
    return "" if ok is None else ("met" if ok else "**missed**")


def main():
    times, counters, errors = load_times(sys.argv[1])
    peaks = load_peaks(sys.argv[2])
    with open(sys.argv[3], encoding="utf-8") as f:
        machine = f.read().strip()

    def t(kind, n):
        return times.get(f"{kind}/records:{n}")

    # The file sizes run; RestoreOneSet counts layers of its own document.
    sizes = sorted({int(k.split("records:")[1]) for k in list(times) + list(errors)
                    if "records:" in k and not k.startswith("RestoreOneSet/")})
    largest = max(sizes) if sizes else 0
    rows = []

    def row(action, size, time, ref_name, ref, ratio_target=None, abs_target=None, note="", percent=False,
            percent_target=None):
        ratio = time / ref if time is not None and ref else None
        checks = []
        target = []
        if percent_target is not None:
            target.append(f"< {percent_target:g} %")
            if ratio is not None:
                checks.append(ratio * 100 < percent_target)
        if ratio_target is not None:
            target.append(f"≤ {ratio_target:g} ×")
            if ratio is not None:
                checks.append(ratio <= ratio_target)
        if abs_target is not None:
            target.append(f"< {abs_target:g} ms")
            if time is not None:
                checks.append(time < abs_target)
        ok = all(checks) if checks else None
        shown = f"{ratio * 100:.3f} %" if percent and ratio is not None else fmt_ratio(ratio)
        rows.append([action, size, fmt_ms(time), ref_name, fmt_ms(ref), shown, ", ".join(target) or "",
                     verdict(ok), note])

    for n in sizes:
        rows_n = f"{n:,} records"
        row("List the set names (the load step's work)", rows_n, t("ListNames", n), "wc -l", t("WcL", n),
            ratio_target=3 if n == 1000000 else None)
    for n in sizes:
        row("  the same listing, next to reading the file in-process", f"{n:,} records", t("ListNames", n),
            "blocks read", t("ReadBlocks", n))
    for n in sizes:
        row("quarnel-sets list (a process, start included)", f"{n:,} records", t("CliList", n), "wc -l", t("WcL", n),
            ratio_target=4 if n == 1000000 else None)
    for n in sizes:
        names = counters.get(f"LoadStep/records:{n}", {}).get("names")
        row("Load step with its list (real window)", f"{n:,} records", t("LoadStep", n), "wc -l", t("WcL", n),
            abs_target=100 if n == 100000 else None, note=f"{int(names)} names" if names else "")
    restore_sizes = [n for n in sizes if t("Restore", n) is not None or f"Restore/records:{n}" in errors]
    previous = None
    for n in restore_sizes:
        c = counters.get(f"Restore/records:{n}", {})
        layers, records = c.get("layers"), c.get("set_records")
        tr = t("Restore", n)
        note = f"set of {int(records):,} records, {int(layers):,} layers" if layers else ""
        if previous and tr:
            note += f"; × {tr / previous[1]:.1f} for × {n / previous[0]:g} size"
        if tr and layers:
            note += f"; {tr * 1e6 / (n + layers):.0f} ns per record + layer"
        row("Restore a set (click in the list)", f"{n:,} records", tr, "wc -l", t("WcL", n),
            ratio_target=5 if n == 1000000 else None, abs_target=100 if n == 100000 else None, note=note)
        previous = (n, tr) if tr else None
    for n in restore_sizes:
        row("  the same restore, next to reading the file in-process", f"{n:,} records", t("Restore", n),
            "blocks read", t("ReadBlocks", n))
    for n in restore_sizes:
        row("  reading part of the restore", f"{n:,} records", t("SelectSet", n), "wc -l", t("WcL", n))
    for n in restore_sizes:
        c = counters.get(f"Save/records:{n}", {})
        saved = c.get("saved_records")
        size = f"{int(saved):,} records" if saved else f"file of {n:,}"
        row("Save a set (\"OK\" in the name dialog)", size, t("Save", n), "one write", t("OneWrite", n),
            abs_target={100000: 100, 1000000: 5}.get(n),
            note=f"{int(c['saved_bytes']):,} bytes" if c.get("saved_bytes") else "")
    for n in restore_sizes:
        c = counters.get(f"SaveRecords/records:{n}", {})
        saved = c.get("saved_records")
        row("  file work of the save alone", f"{int(saved):,} records" if saved else "", t("SaveRecords", n),
            "one write", t("OneWrite", n))
    for n in restore_sizes:
        layers = counters.get(f"SaveWalk/records:{n}", {}).get("layers")
        row("  walk of the save alone (names and flags read, nothing written)",
            f"{int(layers):,} layers" if layers else "", t("SaveWalk", n), "one write", t("OneWrite", n))
    for kind, label in (("On", "\"On\""), ("Off", "\"Off\"")):
        for n in restore_sizes:
            layers = counters.get(f"{kind}/records:{n}", {}).get("layers")
            row(label, f"{int(layers):,} layers" if layers else "", t(kind, n), "", None,
                abs_target=100 if n == 100000 else None)

    # One set of N records restored into N layers, from a file that holds
    # only that set: the time per record shows whether it stays linear.
    previous = None
    per_record = {}
    for n in sorted(int(k.split("records:")[1]) for k in times if k.startswith("RestoreOneSet/")):
        c = counters.get(f"RestoreOneSet/records:{n}", {})
        tr = times[f"RestoreOneSet/records:{n}"]
        records = c.get("set_records") or n
        note = f"{tr * 1e6 / records:.0f} ns per record"
        if previous:
            note += f"; × {tr / previous[1]:.1f} for × {n / previous[0]:g} size"
        row("Restore one set, from a file holding only it (no window)", f"{int(records):,} records, {n:,} layers",
            tr, "", None, note=note)
        previous = (n, tr)
        per_record[n] = tr / records
    # The same, as the first restore after the document was opened or its
    # layers changed, which indexes the document's layers anew.
    for n in sorted(int(k.split("records:")[1]) for k in times if k.startswith("RestoreOneSetFirst/")):
        c = counters.get(f"RestoreOneSetFirst/records:{n}", {})
        tr = times[f"RestoreOneSetFirst/records:{n}"]
        records = c.get("set_records") or n
        row("  the first restore after the layers changed (indexing them)", f"{int(records):,} records, {n:,} layers",
            tr, "", None, note=f"{tr * 1e6 / records:.0f} ns per record")
    # The time per record must stay about flat from 10^3 to 10^6 layers.
    for n in (100000, 1000000):
        if 1000 in per_record and n in per_record:
            rows.append([f"  its time per record at {n:,} layers, next to 1,000", "",
                         f"{per_record[n] * 1e6:.0f} ns", "at 1,000", f"{per_record[1000] * 1e6:.0f} ns",
                         fmt_ratio(per_record[n] / per_record[1000]), "≤ 1.5 ×",
                         verdict(per_record[n] / per_record[1000] <= 1.5), ""])

    # The list's marks at the largest size: the interface thread's share (the
    # snapshot of the flags) and the judgement of every set off it.
    snap, judge = t("MarksSnapshot", largest), t("MarksJudge", largest)
    layers = counters.get(f"MarksJudge/records:{largest}", {}).get("layers")
    shape = f"{largest:,} records, {int(layers):,} layers" if layers else f"{largest:,} records"
    row("List marks: snapshot of the flags (interface thread)", shape, snap, "", None,
        abs_target=50 if largest == 1000000 else None)
    row("List marks: every set judged (off the interface thread)", shape, judge, "", None,
        note="marks settle after snapshot + judgement" + (f": {snap + judge:.0f} ms" if snap and judge else ""),
        abs_target=200 if largest == 1000000 else None)

    # The lock, taken and given back once, against the work that takes it
    # once: the listing, and the file work of a save.
    big = f"{largest:,} records"
    row("Shared lock taken and given back (readers)", big, t("LockShared", largest), "listing", t("ListNames", largest),
        percent=True, percent_target=5 if largest == 1000000 else None)
    saved = counters.get(f"SaveRecords/records:{largest}", {}).get("saved_records")
    whole = t("Save", largest)
    lock = t("LockAppend", largest)
    row("Exclusive lock, path check, given back (append)",
        f"{int(saved):,} records saved" if saved else big, lock, "file work of the save", t("SaveRecords", largest),
        percent=True, percent_target=5 if largest == 1000000 else None,
        note=f"{lock * 100 / whole:.3f} % of the whole save" if lock and whole else "")

    # Whole-file changes of one set, each on a fresh copy, next to cp.
    chosen = counters.get(f"RenameSet/records:{largest}", {}).get("set_records")
    cp, cp_sync = t("Cp", largest), t("CpSync", largest)
    for kind, label in (("RenameSet", "Rename one set"), ("DeleteSet", "Delete one set")):
        tc = t(kind, largest)
        note = f"set of {int(chosen):,} records" if chosen else ""
        if tc and cp:
            note += f"; {tc / cp:.1f} × cp alone"
        row(label, big, tc, "cp + sync -d", cp_sync, ratio_target=1.5 if largest == 1000000 else None, note=note)
    row("  walk of the records alone (SetFileRecords)", big, t("RewriteWalk", largest), "cp", cp)
    row("  writing the new file alone (QSaveFile, committed)", big, t("RewriteWrite", largest), "cp", cp)
    row("  cp, then sync -d of the copy", big, cp_sync, "cp", cp)

    header = ["Action", "Size", "Time (ms)", "Reference", "Ref. (ms)", "Ratio", "Target", "", "Notes"]
    print(machine)
    print()
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" for _ in header) + "|")
    for r in rows:
        print("| " + " | ".join(str(x) for x in r) + " |")

    if peaks:
        print()
        print("Peak memory of listing, each size in a process of its own (getrusage ru_maxrss, KiB):")
        print()
        print("| Records | List: peak | List: added | Load step: peak | Load step: added | Names |")
        print("|---|---|---|---|---|---|")
        for n in sorted({k[1] for k in peaks}):
            lst, load = peaks.get(("list", n)), peaks.get(("load", n))
            cells = [f"{n:,}"]
            for p in (lst, load):
                cells += [f"{p['peak_kib']:,}", f"{p['peak_kib'] - p['baseline_kib']:,}"] if p else ["—", "—"]
            cells.append(str((lst or load or {}).get("names", "—")))
            print("| " + " | ".join(cells) + " |")
        # Below 10^5 records the file is smaller than the 1 MiB read buffer,
        # of which only the part read is touched; from there on the peak must
        # stay put however many records follow.
        counted = sorted(k[1] for k in peaks if k[0] == "list")
        if len(counted) >= 2:
            small, big = counted[-2], counted[-1]
            for what in ("list", "load"):
                a, b = peaks.get((what, small)), peaks.get((what, big))
                if a and b:
                    growth = (b["peak_kib"] - b["baseline_kib"]) - (a["peak_kib"] - a["baseline_kib"])
                    print(f"\n{what}: from {small:,} to {big:,} records the added peak changes by {growth:,} KiB "
                          f"({verdict(abs(growth) <= 512)}: independent of the number of records, within 512 KiB)")

    if errors:
        print()
        for name, message in sorted(errors.items()):
            print(f"ERROR {name}: {message}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
