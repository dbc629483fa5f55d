#!/usr/bin/env python3
"""Benchmarks zuzuzavev against fio and the bare system calls (bench/floor.c).

For every workload the three tools run in turn, in a rotating order, on the
same file and page size; the file is removed before every write run of every
tool. Prints the medians, the spread and the ratios, counts zuzuzavev's own
instructions per request with callgrind, and writes bench/results.json,
bench/chart.svg and the results section of bench/README.md.

Usage (from the repository): python3 bench/run_bench.py [--runs N] [--quick]
Needs: a built build/default/zuzuzavev, gcc, fio and valgrind.
"""
import argparse
import json
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BENCH = os.path.join(ROOT, "bench")
PROGRAM = os.path.join(ROOT, "build", "default", "zuzuzavev")
WORK = os.path.join(ROOT, "build", "bench")
FLOOR = os.path.join(WORK, "floor")
MIB = 1 << 20

# name, file size in MiB, page size, pages per request, zuzuzavev options,
# fio options (None: fio has no such pattern), floor mode, writes, fio runs
# the same pattern.
WORKLOADS = [
    ("seq read, cached", 2048, 8192, 1, ["-r"], ["--rw=read", "--invalidate=0"], "read", False, True),
    ("seq read, -unbuffered", 256, 8192, 1, ["-r", "-unbuffered"], ["--rw=read", "--direct=1"], "read-direct",
     False, True),
    ("random read", 1024, 8192, 1, ["-r", "-ran"],
     ["--rw=randread", "--norandommap", "--randrepeat=0", "--invalidate=0"], "randread", False, True),
    ("random read-write", 512, 8192, 1, ["-rw"],
     ["--rw=randrw", "--rwmixread=50", "--norandommap", "--randrepeat=0", "--invalidate=0"], "randrw", False,
     False),
    ("seq write", 1024, 8192, 1, ["-w"], ["--rw=write"], "write", True, True),
    ("seq write, -unbuffered", 256, 8192, 1, ["-w", "-unbuffered"], ["--rw=write", "--direct=1"], "write-direct",
     True, True),
    ("seq write, -writethru", 16, 8192, 1, ["-w", "-writethru"], ["--rw=write", "--sync=dsync"], "write-dsync",
     True, True),
    ("scatter read 64 x 8K", 1024, 8192, 64, ["-r", "-sgio"], ["--rw=read", "--direct=1"], "scatter", False,
     False),
    ("gather write 64 x 8K", 512, 8192, 64, ["-w", "-sgio"], ["--rw=write", "--direct=1"], "gather", True, False),
]


def run(command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs).stdout


def file_path(name):
    return os.path.join(WORK, re.sub(r"[^a-z0-9]+", "-", name.lower()).strip("-") + ".dat")


def prepare_file(path, size_mib):
    if os.path.exists(path) and os.path.getsize(path) == size_mib * MIB:
        return
    with open(path, "wb") as out:
        chunk = os.urandom(MIB)
        for _ in range(size_mib):
            out.write(chunk)
    # Read it once, so that the cached reads start from a warm cache.
    with open(path, "rb") as source:
        while source.read(16 * MIB):
            pass


def run_zuzuzavev(path, size, page, pages, options):
    arguments = [PROGRAM, path] + options + ["-filesize", str(size), "-pagesize", str(page)]
    if pages > 1:
        arguments += ["-numpages", str(pages)]
    output = run(arguments)
    match = re.search(r"Throughput: ([0-9.]+) MB/Sec\.\s+Elapsed time: ([0-9.]+) Secs", output)
    if not match:
        raise RuntimeError("zuzuzavev: " + output)
    return size / MIB / float(match.group(2))


def run_fio(path, size, page, pages, options, read_write):
    arguments = ["fio", "--name=bench", "--filename=" + path, "--ioengine=psync", "--iodepth=1",
                 "--bs=" + str(page * pages), "--size=" + str(size), "--output-format=json"] + options
    if read_write:
        arguments.append("--io_size=" + str(2 * size))  # one read and one write per page
    result = json.loads(run(arguments))["jobs"][0]
    io_bytes = result["read"]["io_bytes"] + result["write"]["io_bytes"]
    runtime_ms = max(result["read"]["runtime"], result["write"]["runtime"])
    # Pages updated per second for the read-write pattern, bytes otherwise.
    moved = io_bytes / 2 if read_write else io_bytes
    return moved / MIB / (runtime_ms / 1000.0)


def run_floor(path, size, page, pages, mode):
    output = run([FLOOR, mode, path, str(size), str(page), str(pages)])
    moved, seconds = output.split()
    return int(moved) / MIB / float(seconds)


def measure(runs):
    results = []
    tools = ["zuzuzavev", "fio", "floor"]
    for name, size_mib, page, pages, options, fio_options, mode, writes, same in WORKLOADS:
        path = file_path(name)
        size = size_mib * MIB
        if not writes:
            prepare_file(path, size_mib)
        samples = {tool: [] for tool in tools}
        # Round 0 warms up and is not counted.
        for round_number in range(runs + 1):
            order = tools[round_number % 3:] + tools[:round_number % 3]
            for tool in order:
                if writes and os.path.exists(path):
                    os.remove(path)
                    # Let the file system finish freeing (and discarding) the
                    # old file's blocks before the next run starts.
                    subprocess.run(["sync"], check=True)
                    time.sleep(2)
                # No run pays for the write-back of the one before it.
                subprocess.run(["sync"], check=True)
                if tool == "zuzuzavev":
                    value = run_zuzuzavev(path, size, page, pages, options)
                elif tool == "fio":
                    value = run_fio(path, size, page, pages, fio_options, mode == "randrw")
                else:
                    value = run_floor(path, size, page, pages, mode)
                if round_number > 0:
                    samples[tool].append(value)
        if writes and os.path.exists(path):
            os.remove(path)
        row = {"workload": name, "file MiB": size_mib, "page": page, "pages per request": pages,
               "fio same pattern": same}
        for tool in tools:
            values = samples[tool]
            row[tool] = {"median": statistics.median(values), "min": min(values), "max": max(values),
                         "samples": values}
        row["zuzuzavev/fio"] = row["zuzuzavev"]["median"] / row["fio"]["median"]
        row["zuzuzavev/floor"] = row["zuzuzavev"]["median"] / row["floor"]["median"]
        results.append(row)
        print(f"{name:24} zuzuzavev {row['zuzuzavev']['median']:10.1f}  fio {row['fio']['median']:10.1f}  "
              f"floor {row['floor']['median']:10.1f} MB/s   /fio {row['zuzuzavev/fio']:.3f}  "
              f"/floor {row['zuzuzavev/floor']:.3f}", flush=True)
    return results


def instructions(command):
    """Instructions executed in user space by command, counted by callgrind."""
    completed = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"] + command,
                               capture_output=True, text=True, check=True)
    match = re.search(r"Collected : ([0-9]+)", completed.stderr)
    if not match:
        raise RuntimeError("callgrind: " + completed.stderr)
    return int(match.group(1))


def per_request_instructions():
    """zuzuzavev's and the floor's own instructions per 8 KiB cached request,
    from the difference between a run of 4,096 pages and one of 512."""
    path = os.path.join(WORK, "callgrind.dat")
    prepare_file(path, 32)
    counts = {}
    for label, options, mode in (("seq read", ["-r"], "read"), ("random read", ["-r", "-ran"], "randread")):
        per_request = {}
        for tool in ("zuzuzavev", "floor"):
            totals = []
            for pages in (512, 4096):
                size = str(pages * 8192)
                if tool == "zuzuzavev":
                    command = [PROGRAM, path] + options + ["-filesize", size, "-pagesize", "8192"]
                else:
                    command = [FLOOR, mode, path, size, "8192"]
                totals.append(instructions(command))
            per_request[tool] = (totals[1] - totals[0]) / (4096 - 512)
        counts[label] = per_request
        print(f"instructions per request, {label}: zuzuzavev {per_request['zuzuzavev']:.0f}, "
              f"floor {per_request['floor']:.0f}", flush=True)
    os.remove(path)
    return counts


def request_times(results):
    """The floor's time per request of the cached 8 KiB workloads: what one
    system call costs here, to set the instruction counts against."""
    times = {}
    for row in results:
        if row["workload"] in ("seq read, cached", "random read"):
            mib_per_second = row["floor"]["median"]
            times[row["workload"]] = 8192 / (mib_per_second * MIB) * 1e9
    return times


def chart(results, path):
    """Horizontal grouped bars of MB/s, on a logarithmic scale."""
    import math

    colours = {"zuzuzavev": "#1f77b4", "fio": "#ff7f0e", "floor": "#7f7f7f"}
    left, top, bar, gap, width = 190, 40, 11, 14, 520
    height = top + len(results) * (3 * bar + gap) + 50
    low = 10 ** math.floor(math.log10(min(r[t]["median"] for r in results for t in colours)))
    high = 10 ** math.ceil(math.log10(max(r[t]["median"] for r in results for t in colours)))

    def x(value):
        return left + width * (math.log10(value) - math.log10(low)) / (math.log10(high) - math.log10(low))

    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{left + width + 40}" height="{height}" '
             'font-family="sans-serif" font-size="11">',
             f'<rect width="100%" height="100%" fill="white"/>',
             f'<text x="{left}" y="18" font-size="13">MB/s by workload (median, log scale)</text>']
    decade = low
    while decade <= high:
        parts.append(f'<line x1="{x(decade):.1f}" y1="{top - 6}" x2="{x(decade):.1f}" y2="{height - 40}" '
                     'stroke="#ddd"/>')
        parts.append(f'<text x="{x(decade):.1f}" y="{height - 26}" text-anchor="middle">{decade:g}</text>')
        decade *= 10
    y = top
    for row in results:
        parts.append(f'<text x="{left - 8}" y="{y + 1.5 * bar + 4}" text-anchor="end">{row["workload"]}</text>')
        for index, tool in enumerate(colours):
            value = row[tool]["median"]
            parts.append(f'<rect x="{left}" y="{y + index * bar}" width="{x(value) - left:.1f}" height="{bar - 1}" '
                         f'fill="{colours[tool]}"/>')
            parts.append(f'<text x="{x(value) + 3:.1f}" y="{y + index * bar + bar - 2}" font-size="9">'
                         f'{value:.0f}</text>')
        y += 3 * bar + gap
    for index, (tool, colour) in enumerate(colours.items()):
        parts.append(f'<rect x="{left + index * 110}" y="{height - 14}" width="10" height="10" fill="{colour}"/>')
        parts.append(f'<text x="{left + index * 110 + 14}" y="{height - 5}">{tool}</text>')
    parts.append("</svg>")
    with open(path, "w") as out:
        out.write("\n".join(parts) + "\n")


def machine():
    cpu = "unknown"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / (1 << 30)
    filesystem = run(["findmnt", "-n", "-o", "FSTYPE,SOURCE", "-T", WORK]).strip()
    return (f"{os.cpu_count()} cores ({cpu}), {memory:.0f} GiB, Linux {platform.release()}, "
            f"{filesystem}, {run(['fio', '--version']).strip()}")


def markdown(results, counts, times, runs, description):
    lines = [f"Machine: {description}. {runs} runs of each tool per workload after one warm-up run, in rotating "
             "order; MB/s = MiB per second; spread = lowest to highest run.", "",
             "| workload | zuzuzavev MB/s (spread) | fio MB/s (spread) | floor MB/s (spread) | zuzuzavev/fio | "
             "zuzuzavev/floor |", "|---|---|---|---|---|---|"]
    for row in results:
        cells = [row["workload"]]
        for tool in ("zuzuzavev", "fio", "floor"):
            cells.append(f"{row[tool]['median']:.0f} ({row[tool]['min']:.0f}–{row[tool]['max']:.0f})")
        fio_ratio = f"{row['zuzuzavev/fio']:.3f}" + ("" if row["fio same pattern"] else " *")
        cells += [fio_ratio, f"{row['zuzuzavev/floor']:.3f}"]
        lines.append("| " + " | ".join(cells) + " |")
    lines += ["", "\\* fio runs a different pattern there: for the read-write workload it reads or writes each "
              "page independently instead of writing back the page it read (its MB/s counts pages updated, "
              "half its bytes), and for scatter/gather it moves one contiguous 512 KiB buffer per call instead "
              "of 128 system pages.", ""]
    lines.append("Instructions per 8 KiB cached request, in user space (callgrind, 4,096 pages less 512), against "
                 "the time one request takes here (the floor):")
    lines.append("")
    lines.append("| request | zuzuzavev | floor | the request's time on the floor |")
    lines.append("|---|---|---|---|")
    time_of = {"seq read": times.get("seq read, cached"), "random read": times.get("random read")}
    for label, per in counts.items():
        time_text = f"{time_of[label]:.0f} ns" if time_of.get(label) else "n/a"
        lines.append(f"| {label} | {per['zuzuzavev']:.0f} | {per['floor']:.0f} | {time_text} |")
    return "\n".join(lines) + "\n"


def update_readme(section):
    path = os.path.join(BENCH, "README.md")
    with open(path) as source:
        text = source.read()
    begin, end = "<!-- results begin -->", "<!-- results end -->"
    head, rest = text.split(begin, 1)
    tail = rest.split(end, 1)[1]
    with open(path, "w") as out:
        out.write(head + begin + "\n" + section + end + tail)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--quick", action="store_true", help="file sizes divided by 16, for a trial")
    args = parser.parse_args()
    for tool in ("gcc", "fio", "valgrind"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} is missing (apt-get install {tool})")
    if not os.path.exists(PROGRAM):
        sys.exit("build zuzuzavev first: cmake --preset default && cmake --build --preset default")
    if args.quick:
        global WORKLOADS
        WORKLOADS = [(w[0], max(1, w[1] // 16)) + w[2:] for w in WORKLOADS]
    os.makedirs(WORK, exist_ok=True)
    run(["gcc", "-O2", "-Wall", "-Wextra", "-Werror", "-o", FLOOR, os.path.join(BENCH, "floor.c")])

    started = time.time()
    results = measure(args.runs)
    counts = per_request_instructions()
    times = request_times(results)
    description = machine()
    with open(os.path.join(BENCH, "results.json"), "w") as out:
        json.dump({"machine": description, "runs": args.runs, "workloads": results,
                   "instructions per request": counts, "floor ns per request": times}, out, indent=1)
    chart(results, os.path.join(BENCH, "chart.svg"))
    section = markdown(results, counts, times, args.runs, description)
    if not args.quick:
        update_readme(section)
    print(section)
    print(f"done in {time.time() - started:.0f} s")


if __name__ == "__main__":
    main()
