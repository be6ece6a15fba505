#!/usr/bin/env python3
"""Writes the delivered standard forms of data/forms (OPIS.INI and the three table
files of each, in code page 1251) from one description, so that the hourly, daily and
monthly sheets keep the same parameters. The archive numbers are those of
scripts/make-heat-meter-records.py."""
import pathlib
ROOT = pathlib.Path(__file__).resolve().parent.parent / "data" / "forms"

KINDS = {
    "Суточная ведомость": dict(tip=1, title="ВЕДОМОСТЬ учета параметров теплопотребления (суточная)",
        when="Дата", per="сутки", unit="сут.", avg="Среднесуточное", avgunit="Гкал/сут",
        start="начало суток", end="конец суток", hours_dec=0,
        at_start="на начало суток %37", at_end="на конец суток %38"),
    "Часовая ведомость": dict(tip=0, title="ВЕДОМОСТЬ учета параметров теплопотребления (часовая)",
        when="Время", per="час", unit="ч", avg="Среднечасовое", avgunit="Гкал/ч",
        start="начало часа", end="конец часа", hours_dec=0,
        at_start="на начало часа %37", at_end="на конец часа %38"),
    "Годовая сводка": dict(tip=2, title="СВОДКА учета параметров теплопотребления (помесячная)",
        when="Месяц", per="месяц", unit="мес.", avg="Среднемесячное", avgunit="Гкал/мес",
        start="начало месяца", end="конец месяца", hours_dec=0,
        at_start="на начало месяца %37", at_end="на конец месяца, начатого %38"),
}

# The first parameter of each reading group: start, end, and three formulas with
# their results (start, end, end - start).
READINGS = [13, 21, 29]
READING_KINDS = [("Q", "Гкал", 8, 9, 3), ("M1", "т", 10, 11, 2), ("M2", "т", 12, 13, 2)]
AVERAGE = "%20/%5"


def reading_cells(base):
    return ["%%%d%%%d=%%%d" % (base + 3, base + 2, base),
            "%%%d%%%d=%%%d" % (base + 5, base + 4, base + 1),
            "%%%d%%%d=%%%d-%%%d" % (base + 7, base + 6, base + 1, base)]


def opis(k):
    L = ["[TABL]", "TIP=%d" % k["tip"], "OT=1", "OTKOL=0", "OTROW=1", "[HEAD]"]
    def p(n, h, t, **kw):
        L.append("H%d=%s" % (n, h)); L.append("T%d=%d" % (n, t))
        for key in ("N", "P", "I", "R"):
            if key in kw:
                L.append("%s%d=%s" % (key, n, kw[key]))
    p(1, "Потребитель", 0, N="______________________________")
    p(2, "Адрес узла учета", 0, N="______________________________")
    p(3, "Теплосчетчик (тип, заводской номер)", 0, N="______________________________")
    # The settings window lists parameters from 1 up to the first without a caption,
    # so the numbers run without gaps.
    p(4, "Таблица значений за каждый " + k["per"], 6, N=7, P=0, I=1, R=5)
    p(5, "Число строк таблицы (%s)" % k["unit"], 4)
    cols = [
        ("Температура подачи t1, °C (средняя за %s)" % k["per"], 1, 2, 1),
        ("Температура обратки t2, °C (средняя за %s)" % k["per"], 2, 2, 1),
        ("Масса подачи M1, т (за %s)" % k["per"], 3, 2, 0),
        ("Масса обратки M2, т (за %s)" % k["per"], 4, 2, 0),
        ("Разность масс M1-M2, т (за %s)" % k["per"], 5, 2, 0),
        ("Тепловая энергия Q, Гкал (за %s)" % k["per"], 6, 3, 0),
        ("Время работы, ч (за %s)" % k["per"], 7, k["hours_dec"], 0),
    ]
    for i, (h, a, dec, tot) in enumerate(cols):
        p(6 + i, h, 2, N=a, P=dec, I=tot)
    # Meter readings: read at the start (moment 0) and the end (moment 1) of the
    # period; shown through formulas so that both carry the same decimals.
    for base, (name, unit, a_start, a_end, dec) in zip(READINGS, READING_KINDS):
        p(base, "Показание %s на %s, %s" % (name, k["start"], unit), 1, N=a_start, P=0)
        p(base + 1, "Показание %s на %s, %s" % (name, k["end"], unit), 1, N=a_end, P=1)
        f = "%%%d" % base
        p(base + 2, "Показание %s на начало периода (формула)" % name, 3, N=base + 3, P=len(f))
        p(base + 3, "Показание %s на начало периода, %s" % (name, unit), 4, P=dec)
        f = "%%%d" % (base + 1)
        p(base + 4, "Показание %s на конец периода (формула)" % name, 3, N=base + 5, P=len(f))
        p(base + 5, "Показание %s на конец периода, %s" % (name, unit), 4, P=dec)
        f = "%%%d-%%%d" % (base + 1, base)
        p(base + 6, "%s за период по показаниям (формула)" % name, 3, N=base + 7, P=len(f))
        p(base + 7, "%s за период по показаниям, %s" % (name, unit), 4, P=dec)
    p(37, "Дата начала периода", 1, N=8, P=2)
    p(38, "Дата конца периода", 1, N=9, P=3)
    p(39, "%s потребление Q (формула)" % k["avg"], 3, N=40, P=len(AVERAGE))
    p(40, "%s потребление Q, %s" % (k["avg"], k["avgunit"]), 4, P=3)
    return L

def m1(k):
    return ["[Grid]", "ColCount=1", "RowCount=5", "DefaultColWidth=640", "DefaultRowHeight=20",
            "Font.Name=Times New Roman", "Font.Size=11", "GridLines=0",
            "[RowHeights]", "R0=30",
            "[Cells]",
            "R0C0=" + k["title"],
            "R2C0=Потребитель: %1",
            "R3C0=Адрес узла учета: %2",
            "R4C0=Теплосчетчик: %3",
            "[Cell.Font.Size]", "R0C0=13",
            "[Cell.Font.Style]", "R0C0=bold", "R1C0=bold",
            "[Cell.TextAlignment]", "R0C0=center", "R1C0=center"]

def m2(k):
    heads = ["подача t1", "обратка t2", "подача M1", "обратка M2", "разность M1-M2"]
    L = ["[Grid]", "ColCount=8", "RowCount=5", "FixedRows=2", "DefaultColWidth=76", "DefaultRowHeight=17",
         "Font.Name=Arial", "Font.Size=9", "GridLines=1",
         "[Col.Width]", "C0=108",
         "[RowHeights]", "R0=20", "R1=32", "R4=32",
         "[Unions]", "1=R0C0:R1C0", "2=R0C1:R0C2", "3=R0C3:R0C5", "4=R0C6:R1C6", "5=R0C7:R1C7", "6=R4C0:R4C7",
         "[Cells]",
         "R0C0=" + k["when"], "R0C1=Температура, °C", "R0C3=Масса теплоносителя, т",
         "R0C6=Тепловая энергия Q, Гкал", "R0C7=Время работы, ч"]
    for i, h in enumerate(heads):
        L.append("R1C%d=%s" % (i + 1, h))
    L.append("R2C0=%4")
    for c in range(1, 8):
        L.append("R2C%d=%%%d" % (c, 5 + c))
    L.append("R3C0=Итого за %%5 %s:" % k["unit"])
    L.append("R4C0=В строке итогов температуры - средние за период, массы, энергия и время работы - суммы.")
    L += ["[Cell.Font.Style]"] + ["R0C%d=bold" % c for c in range(8)] + ["R1C%d=bold" % c for c in range(1, 6)] + ["R3C0=bold"]
    L += ["[Cell.TextAlignment]"] + ["R0C%d=center" % c for c in range(8)] + ["R1C%d=center" % c for c in range(1, 6)] + ["R3C0=right"]
    L += ["[Cell.Color]"] + ["R0C%d=C0C0C0" % c for c in range(8)] + ["R1C%d=C0C0C0" % c for c in range(1, 6)] + ["R3C%d=FFFF00" % c for c in range(8)]
    return L

def m3(k):
    L = ["[Grid]", "ColCount=4", "RowCount=8", "DefaultColWidth=140", "DefaultRowHeight=19",
         "Font.Name=Times New Roman", "Font.Size=11", "GridLines=0",
         "[Col.Width]", "C0=220",
         "[Unions]", "1=R0C0:R0C3", "2=R6C0:R6C3", "3=R7C0:R7C3", "4=R5C0:R5C2",
         "[Cells]",
         "R0C0=Показания приборов учета",
         "R1C0=Величина",
         "R1C1=" + k["at_start"],
         "R1C2=" + k["at_end"],
         "R1C3=за период",
         "R2C0=Тепловая энергия Q, Гкал",
         "R2C1=%s" % reading_cells(13)[0], "R2C2=%s" % reading_cells(13)[1], "R2C3=%s" % reading_cells(13)[2],
         "R3C0=Масса подачи M1, т",
         "R3C1=%s" % reading_cells(21)[0], "R3C2=%s" % reading_cells(21)[1], "R3C3=%s" % reading_cells(21)[2],
         "R4C0=Масса обратки M2, т",
         "R4C1=%s" % reading_cells(29)[0], "R4C2=%s" % reading_cells(29)[1], "R4C3=%s" % reading_cells(29)[2],
         "R5C0=%s потребление тепловой энергии, %s" % (k["avg"], k["avgunit"]),
         "R5C3=%40%39=" + AVERAGE,
         "R6C0=Ответственный за учет: ____________________",
         "R7C0=Представитель потребителя: ____________________",
         "[Cell.Font.Style]", "R0C0=bold", "R1C1=bold", "R1C2=bold", "R1C3=bold", "R1C0=bold", "R2C0=bold", "R2C3=bold",
         "[Cell.TextAlignment]", "R0C0=center", "R1C1=center", "R1C2=center", "R1C3=center"]
    for r in range(2, 6):
        for c in range(1, 4):
            L.append("R%dC%d=right" % (r, c))
    return L

for folder, k in KINDS.items():
    d = ROOT / folder
    for name, lines in (("OPIS.INI", opis(k)), ("m1.ini", m1(k)), ("m2.ini", m2(k)), ("m3.ini", m3(k))):
        (d / name).write_bytes(("\r\n".join(lines) + "\r\n").encode("cp1251"))
