"""Baseline for graph_bench: Python's csv.reader over a tree of profile files.

Usage: profile_csv_baseline.py DIR
Walks DIR in name order, reads every "*.dat" file with csv.reader (as
ISO 8859-1 text), collects all rows in one list, and prints the seconds that
took (wall clock, then CPU time of the process) and the number of rows.
"""
import csv
import os
import sys
import time


def main():
    root = sys.argv[1]
    start, start_cpu = time.perf_counter(), time.process_time()
    rows = []
    for folder, subfolders, files in os.walk(root):
        subfolders.sort()
        for name in sorted(files):
            if name.lower().endswith(".dat"):
                with open(os.path.join(folder, name), newline="", encoding="latin-1") as f:
                    rows.extend(csv.reader(f))
    print(time.perf_counter() - start, time.process_time() - start_cpu, len(rows))


if __name__ == "__main__":
    main()
