#!/usr/bin/env python3
"""Writes data/sim/heat-meter.txt: one registrar record of a heat-metering unit whose
archives agree with each other, for the demo's standard forms.

Per archive kind (hourly, daily, monthly) the archive numbers mean:
  1 supply temperature t1, °C        2 return temperature t2, °C
  3 supply mass M1, t                4 return mass M2, t
  5 mass difference M1 - M2, t       6 heat energy Q, Gcal
  7 operating time, h
  8 / 9   Q meter reading at the start / at the end of the slot's hour, day or month, Gcal
  10 / 11 M1 meter reading at the start / at the end, t
  12 / 13 M2 meter reading at the start / at the end, t
Each reading at the end of a slot is the reading at its start plus the slot's quantity,
and the next slot starts where the last one ended, so the difference of two readings is
the sum of the quantities between them.
"""
import math
import pathlib

ROOT = pathlib.Path(__file__).resolve().parent.parent


def kind(slots, slot_hours, flow, start_q, start_m1, start_m2, phase):
    rows = {k: [] for k in range(1, 14)}
    q_reading, m1_reading, m2_reading = start_q, start_m1, start_m2
    for i in range(slots):
        hours = slot_hours(i)
        wave = math.sin((i + phase) / 3.0)
        t1 = round(92.0 + 4.0 * wave, 2)
        t2 = round(63.0 + 2.5 * wave, 2)
        m1 = round(flow * hours * (1.0 + 0.05 * math.cos(i / 2.0)), 2)
        m2 = round(m1 * 0.985, 2)
        dm = round(m1 - m2, 2)
        q = round(m1 * (t1 - t2) / 1000.0, 3)
        values = {1: t1, 2: t2, 3: m1, 4: m2, 5: dm, 6: q, 7: hours}
        for k, v in values.items():
            rows[k].append(v)
        rows[8].append(round(q_reading, 3))
        q_reading = round(q_reading + q, 3)
        rows[9].append(q_reading)
        rows[10].append(round(m1_reading, 2))
        m1_reading = round(m1_reading + m1, 2)
        rows[11].append(m1_reading)
        rows[12].append(round(m2_reading, 2))
        m2_reading = round(m2_reading + m2, 2)
        rows[13].append(m2_reading)
    return rows


def text(value):
    return ("%.3f" % value).rstrip("0").rstrip(".")


def main():
    lines = [
        "# A heat-metering unit (controller 0B21) after a visit on 31.12.2007, for the",
        "# demo's standard forms. Written by scripts/make-heat-meter-records.py, which",
        "# says what each archive number means.",
        "",
        "record",
        "controller 0B21",
        "time 31.12.2007 23:59",
    ]
    # Monthly slot i is month i + 1 of 2007.
    month_days = [31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31]
    kinds = [
        ("hourly", kind(96, lambda i: 1, 5.0, 812.0, 2710.0, 2668.0, 0)),
        ("daily", kind(31, lambda i: 24, 5.0, 774.0, 1900.0, 1870.0, 1)),
        ("monthly", kind(12, lambda i: 24 * month_days[i], 1.5, 160.0, 800.0, 780.0, 2)),
    ]
    for name, rows in kinds:
        for k in range(1, 14):
            lines.append("%s %d %s" % (name, k, " ".join(text(v) for v in rows[k])))
    (ROOT / "data" / "sim" / "heat-meter.txt").write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
