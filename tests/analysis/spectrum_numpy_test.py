#!/usr/bin/python3
"""Checks the spectrum analysis through orbick_spectrum_tool against numpy:
the magnitudes of every record equal |rfft| of the Hamming-windowed 2N-sample
frame divided by N (bin 0 by 2N, no Nyquist bin) within 1e-5 of the peak, in
the text export and in the grid; the text's header, record and line counts
and its frequencies k rate / 2N; the dB values and their -240 dB floor; the
grid of every mode (logarithmic bands, high resolution, every fourth bin and
record) built from the numpy magnitudes by the band rules."""
import math
import os
import subprocess
import sys
import tempfile

import numpy as np

TOOL = sys.argv[1]
failures = []
RATE = 44100
BANDS = [0, 0, 1, 1, 2, 3, 4, 5, 8, 11, 16, 22, 32, 45, 64, 90, 128, 181, 256, 362, 512, 724,
         1024, 1448, 2048]


def reference(x, start, records, n):
    i = np.arange(2 * n)
    w = 0.54 - 0.46 * np.cos(6.283185 * i / (2 * n - 1))
    out = []
    for r in range(records):
        frame = x[start + r * n:start + r * n + 2 * n].astype(np.float64) * w
        X = np.fft.rfft(frame)
        m = np.abs(X[:n]) / n
        m[0] = abs(X[0].real) / (2 * n)
        out.append(m)
    return np.array(out)


def run(x, start, records, n, options, tmp):
    src = os.path.join(tmp, "x.f32")
    text = os.path.join(tmp, "x.txt")
    grid = os.path.join(tmp, "grid.txt")
    np.asarray(x, dtype="<f4").tofile(src)
    done = subprocess.run([TOOL, src, str(RATE), str(start), str(records), str(n), hex(options),
                           text, grid], capture_output=True, text=True)
    if done.returncode != 0:
        failures.append(f"tool N={n} options {options:#x}: {done.returncode} {done.stdout}")
        return None, None
    lines = open(text).read().split("\n")
    g = open(grid).read().split("\n")
    rows, cols = map(int, g[0].split())
    gv = {
        "rows": rows, "cols": cols,
        "rowValues": np.array([float(v) for v in g[1].split()]),
        "colValues": np.array([float(v) for v in g[2].split()]),
        "cells": np.array([[float(v) for v in g[3 + r].split()] for r in range(rows)]),
    }
    return lines, gv


def parse_text(lines, n, name):
    header = lines[0]
    m = header.split()
    records = int(m[0].split(":")[1])
    if m[1] != f"Points:{n}":
        failures.append(f"{name}: header {header!r}")
    # 1 header line, then per record an empty line, "Record:k" and N lines,
    # and the final empty string after the last line feed.
    if len(lines) != 1 + records * (n + 2) + 1 or lines[-1] != "":
        failures.append(f"{name}: {len(lines)} lines for {records} records")
    values, freqs = [], []
    for r in range(records):
        base = 1 + r * (n + 2)
        if lines[base] != "" or lines[base + 1] != f"Record:{r + 1}":
            failures.append(f"{name}: record {r + 1} heading {lines[base:base + 2]}")
        rows = lines[base + 2:base + 2 + n]
        for row in rows:
            if len(row) != 25 or row[12] != " ":
                failures.append(f"{name}: line {row!r} is not two %12f fields")
                break
        freqs.append([float(row[:12]) for row in rows])
        values.append([float(row[13:]) for row in rows])
    return header, records, np.array(freqs), np.array(values)


def log_grid(mags, n):
    bits = n.bit_length()
    cols = 2 * bits + 1
    out = np.zeros((mags.shape[0], cols))
    for r, v in enumerate(mags):
        out[r, 0] = v[0]
        for c in range(1, cols):
            used = 2 if c in (1, 3, 7, 11) else 4 if c >= 14 else 1
            j = BANDS[c] if c < 25 else 0
            if j + used - 1 > n - 1:
                j = n - used
            if c in (1, 3):
                out[r, c] = (v[j] + v[j + 1]) / 2
            elif used == 1:
                out[r, c] = v[j]
            else:
                out[r, c] = v[j:j + used].max()
    return out


rng = np.random.default_rng(9)
t = np.arange(60000) / RATE
sound = (0.4 * np.sin(2 * np.pi * 1000 * t) + 0.2 * np.sin(2 * np.pi * 5513 * t) +
         0.05 * rng.standard_normal(len(t))).astype(np.float32)

with tempfile.TemporaryDirectory() as tmp:
    for n in (32, 64, 256, 2048):
        start = 777
        records = 7
        ref = reference(sound, start, records, n)
        peak = ref.max()
        name = f"N={n} linear"
        lines, grid = run(sound, start, records, n, 0x400, tmp)
        if lines is None:
            continue
        header, got_records, freqs, values = parse_text(lines, n, name)
        if header != f"Records:{records} Points:{n} dB:0":
            failures.append(f"{name}: header {header!r}")
        if np.abs(values - ref).max() > 1e-5 * peak:
            failures.append(f"{name}: text magnitudes off by {np.abs(values - ref).max():.3g}")
        want_f = np.arange(n) * RATE / (2 * n)
        if np.abs(freqs - want_f).max() > 1e-6:
            failures.append(f"{name}: frequencies off by {np.abs(freqs - want_f).max():.3g}")
        # High resolution: every record a row, every bin a column.
        if grid["rows"] != records or grid["cols"] != n:
            failures.append(f"{name}: grid {grid['rows']} x {grid['cols']}")
        elif np.abs(grid["cells"] - ref).max() > 1e-5 * peak:
            failures.append(f"{name}: grid off by {np.abs(grid['cells'] - ref).max():.3g}")
        if not np.allclose(grid["rowValues"], np.arange(records) * n / RATE):
            failures.append(f"{name}: row times {grid['rowValues']}")
        # Every fourth bin and every fourth record.
        _, grid = run(sound, start, records, n, 0, tmp)
        rows = (records + 3) // 4
        cols = n // 4
        if grid["rows"] != rows or grid["cols"] != cols:
            failures.append(f"N={n} plain: grid {grid['rows']} x {grid['cols']}")
        else:
            bins = [0] + [4 * m - 3 for m in range(1, cols)]
            want = ref[::4][:rows][:, bins]
            if np.abs(grid["cells"] - want).max() > 1e-5 * peak:
                failures.append(f"N={n} plain: grid off")
            if not np.allclose(grid["colValues"], np.array(bins) * RATE / (2 * n)):
                failures.append(f"N={n} plain: column frequencies")
        # Logarithmic bands, linear and dB.
        for db in (False, True):
            opts = 0x4000 | 0x400 | (0x8000 if db else 0)
            lines, grid = run(sound, start, records, n, opts, tmp)
            mags = ref
            if db:
                mags = 20 * np.log10(np.maximum(ref, 1e-12))
            want = log_grid(mags, n)
            name = f"N={n} log {'dB' if db else 'linear'}"
            if grid["cols"] != 2 * n.bit_length() + 1 or grid["rows"] != records:
                failures.append(f"{name}: grid {grid['rows']} x {grid['cols']}")
                continue
            tol = 1e-3 if db else 1e-5 * peak
            # dB values of tiny magnitudes are compared where they are significant.
            mask = np.ones_like(want, dtype=bool)
            if db:
                mask = want > 20 * math.log10(peak) - 80
            err = np.abs(grid["cells"] - want)[mask]
            if err.max() > tol:
                failures.append(f"{name}: grid off by {err.max():.3g}")
            if db:
                header, _, _, values = parse_text(lines, n, name)
                if header != f"Records:{records} Points:{n} dB:1":
                    failures.append(f"{name}: header {header!r}")
                sig = ref > peak * 1e-2
                err = np.abs(values[sig] - 20 * np.log10(ref[sig]))
                if err.max() > 1e-2:
                    failures.append(f"{name}: text dB values off by {err.max():.3g}")
    # Silence: the dB floor, never -inf, in text and grid.
    silent = np.zeros(4096, dtype=np.float32)
    lines, grid = run(silent, 0, 3, 64, 0x4000 | 0x8000 | 0x400, tmp)
    if lines is not None:
        _, _, _, values = parse_text(lines, 64, "silence")
        if not np.all(values == -240.0):
            failures.append(f"silence: text values {np.unique(values)}")
        if not np.all(grid["cells"] == -240.0):
            failures.append(f"silence: grid values {np.unique(grid['cells'])}")
        if any("inf" in l or "nan" in l for l in lines):
            failures.append("silence: inf or nan in the text")
    # The record cap and the available records.
    long_sound = np.tile(sound, 2)[:120000]
    lines, _ = run(long_sound, 0, 5000, 64, 0, tmp)
    if lines is not None and lines[0] != "Records:1000 Points:64 dB:0":
        failures.append(f"cap: {lines[0]!r}")
    lines, _ = run(sound[:1000], 100, 50, 64, 0, tmp)
    if lines is not None and lines[0] != f"Records:{(1000 - 100 - 64) // 64} Points:64 dB:0":
        failures.append(f"available records: {lines[0]!r}")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("spectrum: all checks passed")
