#!/usr/bin/python3
"""Compares the runtime library's number and date functions (through
engine_runtime_probe) with Python's own %-formatting, exact decimal rounding
and datetime calendar, over fixed edge values and seeded random values."""
import datetime
import decimal
import math
import os
import random
import re
import subprocess
import sys
import tempfile
import time

probe = sys.argv[1]
decimal.getcontext().prec = 2000  # exact quantizing of any double
rng = random.Random(20261206)
requests, expected = [], []


def ask(request, answer):
    requests.append("\t".join(str(x) for x in request))
    expected.append(answer)


# ---- CStr "%g", Str "%.14g" -------------------------------------------------
values = [0.0, 0.1, -0.1, 1.0 / 3, 2.5, -2.5, 1e15, 1e16, 123456.0, 1234567.0, 1e-5,
          5e-324, 1.7976931348623157e308, 100000.0, 0.0001, 0.00001, 999999.5]
for _ in range(400):
    values.append(rng.uniform(-1, 1) * 10 ** rng.randint(-12, 20))
    values.append(float(rng.randint(-10**9, 10**9)))
for v in values:
    ask(("cstr", repr(v)), "%g" % v)
    ask(("str", repr(v)), "%.14g" % v)

# ---- CInt, CLng, Hex, Oct: half away from zero -------------------------------


def half_away(v):
    return int(decimal.Decimal(v).quantize(decimal.Decimal(1), rounding=decimal.ROUND_HALF_UP))


ints = [0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999999999999994, 32767.4, 32767.5, -32768.5,
        -32768.4, 2147483647.4, 2147483647.5, -2147483648.5, -2147483648.4, -1, -2, 255, 4096.7]
for _ in range(300):
    ints.append(rng.uniform(-40000, 40000))
    ints.append(rng.uniform(-3e9, 3e9))
    ints.append(rng.randint(-100, 100) + 0.5)
for v in ints:
    n = half_away(v)
    ask(("cint", repr(v)), str(n) if -32768 <= n <= 32767 else "ERROR Overflow")
    in_long = -2**31 <= n < 2**31
    ask(("clng", repr(v)), str(n) if in_long else "ERROR Overflow")
    ask(("hex", repr(v)), format(n & 0xFFFFFFFF, "x") if in_long else "ERROR Overflow")
    ask(("oct", repr(v)), format(n & 0xFFFF, "o") if in_long else "ERROR Overflow")

# ---- Val: leading decimal text -------------------------------------------------
leading = re.compile(r"\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)")
for text in ["12.5abc", "  -3e2x", "1e", ".5", "abc", "", "+7.25e-3 rest", "1.2.3", "-.e5",
             "  42", "9" * 30, "1e400"]:
    m = leading.match(text)
    ask(("val", text), repr(float(m.group(1))) if m else "0")

# ---- Number patterns against Python formats --------------------------------------


def no_negative_zero(text, v):
    # A number that shows only zeros carries no sign.
    if text.startswith("-") and not any(c in "123456789" for c in text):
        return text[1:]
    return text


def fixed(v, decimals, grouping=False, width=0):
    """'%0*.*f' of v with exact binary halves rounded away from zero."""
    q = decimal.Decimal(v).quantize(decimal.Decimal(1).scaleb(-decimals),
                                    rounding=decimal.ROUND_HALF_UP)
    text = format(q, ",f" if grouping else "f")
    if text.startswith("-"):
        return "-" + text[1:].rjust(width - 1, "0")
    return text.rjust(width, "0")


patterns = {
    "0.00": lambda v: fixed(v, 2),
    "0": lambda v: fixed(v, 0),
    "000000": lambda v: fixed(v, 0, width=7 if v < 0 else 6),
    "#,##0.00": lambda v: fixed(v, 2, grouping=True),
    "#,##0": lambda v: fixed(v, 0, grouping=True),
    "0.000%": lambda v: fixed(v * 100, 3) + "%",
    "0.0000000000": lambda v: fixed(v, 10),
}
numbers = [0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.375, 2.675, 1.005, -0.004, 999.995, 1234567.891,
           -1234567.891, 1e15, 123456789012.345, 9.5, 99.5, 999999.5, -0.5, 0.0125, 0.005, 1e22]
for _ in range(200):
    # Exact halves at every kept place (multiples of 2^-k).
    numbers.append(rng.randint(-10**6, 10**6) / 2 ** rng.randint(1, 12))
for _ in range(300):
    numbers.append(rng.uniform(-1, 1) * 10 ** rng.randint(-6, 12))
for v in numbers:
    for pattern, make in patterns.items():
        ask(("fmt", repr(v), pattern), no_negative_zero(make(v), v))
    # Sections: the negative one takes the absolute value.
    ask(("fmt", repr(v), "0.00;(0.00)"), ("(%s)" % fixed(-v, 2)) if v < 0 else fixed(v, 2))

# ---- Serial dates against datetime -------------------------------------------------
base = datetime.datetime(1899, 12, 30)
cases = [(0, 0), (-1, 6 * 3600), (1, 0), (60, 0), (61, 0), (-657434, 0), (2958465, 86399),
         (29221, 43200), (46381, 79509), (36585, 1)]
for _ in range(400):
    cases.append((rng.randint(-657434, 2958465), rng.randint(0, 86399)))
for day, sec in cases:
    # A negative serial counts days back with the fraction still the time of day.
    serial = day + sec / 86400 if day >= 0 else day - sec / 86400
    when = base + datetime.timedelta(days=day, seconds=sec)
    tt = when.timetuple()
    ask(("parts", repr(serial)), "%d %d %d %d %d %d %d %d" % (
        when.year, when.month, when.day, when.hour, when.minute, when.second,
        when.isoweekday() % 7, tt.tm_yday))
    if when.year >= 1000:
        ask(("serial", when.year, when.month, when.day, when.hour, when.minute, when.second),
            repr(serial))
        texts = "%s|%s|%s\\n" % (when.strftime("%m-%d-%y"), when.strftime("%H:%M:%S"),
                                  time.asctime(tt))
        ask(("texts", repr(serial)), texts)
        ask(("datefmt", repr(serial), "yyyy-mm-dd hh:nn:ss dddd mmmm ddd mmm y q"),
            when.strftime("%Y-%m-%d %H:%M:%S %A %B %a %b ") + "%d %d" % (
                tt.tm_yday, (when.month - 1) // 3 + 1))

# ---- The date parser on texts written by strftime ------------------------------------
forms = ["%m/%d/%Y %H:%M:%S", "%Y-%m-%d %H:%M", "%d %B %Y %I:%M %p", "%b %d, %Y",
         "%A, %B %d, %Y %I:%M:%S %p", "%m-%d-%Y", "%d-%b-%Y %H:%M:%S"]
for _ in range(300):
    day = rng.randint(-328716, 2958465)
    sec = rng.randint(0, 86399)
    when = base + datetime.timedelta(days=day, seconds=sec)
    form = rng.choice(forms)
    text = when.strftime(form)
    shown = datetime.datetime.strptime(text, form)
    delta = shown - base
    serial = delta.days + delta.seconds / 86400 if delta.days >= 0 else delta.days - delta.seconds / 86400
    ask(("parse", text), repr(serial))

# ---- Run the probe and compare -------------------------------------------------------
out = subprocess.run([probe], input="\n".join(requests) + "\n", capture_output=True, text=True,
                     check=True).stdout.split("\n")
failures = 0
for i, (request, want) in enumerate(zip(requests, expected)):
    got = out[i]
    name = request.split("\t")[0]
    if name in ("parse", "serial", "val") and want != "0" and got not in ("FAIL",):
        ok = math.isclose(float(got), float(want), rel_tol=0, abs_tol=1e-9) or \
            (math.isinf(float(want)) and float(got) == float(want))
    else:
        ok = got == want
    if not ok:
        failures += 1
        if failures <= 30:
            print("MISMATCH %r: got %r, want %r" % (request, got, want))
print("%d checks, %d mismatches" % (len(requests), failures))

# ---- Under a locale with a decimal comma --------------------------------------------
# Numbers keep '.', day and month names follow LC_TIME. The locale is compiled
# into a temporary folder; without localedef this part is skipped.
with tempfile.TemporaryDirectory() as folder:
    made = subprocess.run(["localedef", "-i", "de_DE", "-f", "UTF-8",
                           os.path.join(folder, "de_DE.UTF-8")],
                          capture_output=True).returncode in (0, 1) and \
        os.path.isdir(os.path.join(folder, "de_DE.UTF-8"))
    if not made:
        print("de_DE locale not available: locale part skipped")
    else:
        # glibc's setlocale keeps a small LOCPATH allocation for good; the
        # sanitizer build would report it as a leak of the probe.
        env = dict(os.environ, LOCPATH=folder, LC_ALL="de_DE.UTF-8",
                   ASAN_OPTIONS="detect_leaks=0")
        checks = [("cstr\t0.5", "0.5"), ("str\t-1234.25", "-1234.25"),
                  ("fmt\t1234.5\t#,##0.00", "1,234.50"), ("parse\t12/25/2026 18:00", "46381.75"),
                  ("datefmt\t46381\tdddd d mmmm yyyy", "Freitag 25 Dezember 2026")]
        got = subprocess.run([probe], input="\n".join(c[0] for c in checks) + "\n",
                             capture_output=True, text=True, env=env, check=True).stdout.split("\n")
        for (request, want), answer in zip(checks, got):
            if answer != want:
                failures += 1
                print("MISMATCH under de_DE %r: got %r, want %r" % (request, answer, want))
        print("%d checks under de_DE" % len(checks))
sys.exit(1 if failures else 0)
