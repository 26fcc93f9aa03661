"""Baseline for export_bench: Python's csv.writer writing the rows of a CSV file.

Usage: csv_writer_baseline.py SOURCE.csv TARGET.csv
Reads SOURCE (not timed), writes the same rows to TARGET with every cell quoted
and CR LF line ends, and prints the seconds that the writing took.
"""
import csv
import sys
import time


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    start = time.perf_counter()
    with open(target, "w", newline="", encoding="utf-8") as f:
        csv.writer(f, quoting=csv.QUOTE_ALL, lineterminator="\r\n").writerows(rows)
    print(time.perf_counter() - start)


if __name__ == "__main__":
    main()
