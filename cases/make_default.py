#!/usr/bin/env python3
"""Writes cases/default.json: the bundled default plant of fintop-walk.

A gas-condensate plant: an inlet three-phase separator, export compression, cooling and an
export pipeline, a steam reforming train (Gibbs pre-reformer, conversion reformer,
equilibrium shift) with its reaction package, condensate stabilisation (flash drum, level
control valve, pump, feed/effluent exchanger, fired heater, storage tank), a fractionator
with a side stripper, a pumparound and a three-phase condenser, a depropanizer, a phase
envelope, a TBP curve and the energy streams. Phase compositions come from a Wilson K-value
flash, so vapour and liquid are consistent with the feed; every composition sums to 1.

Run from the repository: python3 cases/make_default.py
"""
import json
import math
import os

COMPONENTS = ["Hydrogen", "Carbon Monoxide", "Carbon Dioxide", "Water", "Nitrogen",
              "Methane", "Ethane", "Propane", "n-Butane", "n-Hexane"]
MW = [2.016, 28.010, 44.010, 18.015, 28.014, 16.043, 30.070, 44.097, 58.123, 86.177]
LIQ_DENSITY = [71.0, 789.0, 1101.0, 998.0, 806.0, 300.0, 356.0, 507.0, 584.0, 659.0]
TC = [33.2, 132.9, 304.1, 647.1, 126.2, 190.6, 305.3, 369.8, 425.1, 507.6]       # K
PC = [1297., 3499., 7374., 22064., 3394., 4599., 4872., 4248., 3796., 3025.]     # kPa
OMEGA = [-0.216, 0.048, 0.225, 0.344, 0.040, 0.011, 0.099, 0.152, 0.200, 0.301]


def comp(**fractions):
    keys = {"H2": 0, "CO": 1, "CO2": 2, "H2O": 3, "N2": 4, "C1": 5, "C2": 6, "C3": 7,
            "nC4": 8, "nC6": 9}
    x = [0.0] * 10
    for k, v in fractions.items():
        x[keys[k]] = v
    return normalise(x)


def normalise(x, digits=6):
    total = sum(x)
    x = [round(v / total, digits) for v in x]
    # The largest takes the rounding, so that the written fractions sum to 1.
    big = max(range(len(x)), key=lambda i: x[i])
    x[big] = round(1.0 - sum(v for i, v in enumerate(x) if i != big), digits)
    return x


def wilson_k(t_c, p_kpa):
    t = t_c + 273.15
    return [PC[i] / p_kpa * math.exp(5.373 * (1 + OMEGA[i]) * (1 - TC[i] / t)) for i in range(10)]


def flash(z, t_c, p_kpa):
    """Rachford-Rice: (vapour fraction, x, y, K)."""
    k = wilson_k(t_c, p_kpa)
    lo, hi = 0.0, 1.0
    f = lambda v: sum(z[i] * (k[i] - 1) / (1 + v * (k[i] - 1)) for i in range(10))
    if f(0.0) < 0:
        v = 0.0
    elif f(1.0) > 0:
        v = 1.0
    else:
        for _ in range(200):
            mid = (lo + hi) / 2
            if f(mid) > 0:
                lo = mid
            else:
                hi = mid
        v = (lo + hi) / 2
    x = [z[i] / (1 + v * (k[i] - 1)) for i in range(10)]
    y = [k[i] * x[i] for i in range(10)]
    return v, normalise(x), normalise(y), k


def mass(x):
    return normalise([x[i] * MW[i] for i in range(10)])


def volume(x):
    return normalise([x[i] * MW[i] / LIQ_DENSITY[i] for i in range(10)])


def r(v, digits=4):
    return round(v, digits)


def var(name, value):
    return {"name": name, "value": value}


def array(name, values, ids=False):
    if ids:
        return {"name": name, "elements": [{"id": COMPONENTS[i], "value": v} for i, v in enumerate(values)]}
    return {"name": name, "elements": list(values)}


def stream(name, z, t, p, flow, phases=False, extra=()):
    children = [var("Temperature", t), var("Pressure", p), var("Molar Flow", flow),
                array("Comp Mole Frac", z, True), array("Comp Mass Frac", mass(z), True),
                array("Comp Volume Frac", volume(z), True)]
    if phases:
        _, x, y, _ = flash(z, t, p)
        for basis, conv in (("Mole", lambda c: c), ("Mass", mass), ("Volume", volume)):
            children.append({"name": "Phase Comp %s Frac" % basis, "children": [
                {"name": "Vapour Phase", "elements": [{"id": COMPONENTS[i], "value": v} for i, v in enumerate(conv(y))]},
                {"name": "Liquid Phase", "elements": [{"id": COMPONENTS[i], "value": v} for i, v in enumerate(conv(x))]}]})
    children.extend(extra)
    return {"name": name, "type": "MaterialStreamObject", "children": children}


def energy(name, kw):
    return {"name": name, "type": "EnergyStreamObject", "children": [var("Heat Flow", kw)]}


def table(name, z):
    return {"name": name, "children": [array("Comp Mole Frac", z, True)]}


# ---- compositions -----------------------------------------------------------------------
WELL = comp(CO2=0.025, H2O=0.040, N2=0.012, C1=0.700, C2=0.080, C3=0.055, nC4=0.038, nC6=0.050)
SEP_T, SEP_P = 35.0, 6500.0
_, CONDENSATE, GAS, _ = flash(comp(CO2=0.025, H2O=0.004, N2=0.012, C1=0.700, C2=0.080, C3=0.055,
                                   nC4=0.038, nC6=0.050), SEP_T, SEP_P)
WATER = comp(H2O=0.9985, CO2=0.0012, C1=0.0003)
SYNGAS_FEED = comp(H2O=0.74, C1=0.235, C2=0.012, C3=0.004, N2=0.006, CO2=0.003)
PRE_REFORMED = comp(H2=0.085, CO=0.004, CO2=0.052, H2O=0.605, N2=0.005, C1=0.249)
REFORMED = comp(H2=0.495, CO=0.098, CO2=0.055, H2O=0.305, N2=0.004, C1=0.043)
SHIFTED = comp(H2=0.561, CO=0.032, CO2=0.121, H2O=0.239, N2=0.004, C1=0.043)
LPG = comp(C2=0.030, C3=0.560, nC4=0.405, nC6=0.005)
OFFGAS = comp(CO2=0.020, N2=0.010, C1=0.420, C2=0.280, C3=0.220, nC4=0.050)
NAPHTHA = comp(C3=0.005, nC4=0.095, nC6=0.900)
RESIDUE = comp(nC4=0.020, nC6=0.980)
PROPANE = comp(C2=0.050, C3=0.930, nC4=0.020)
BUTANE = comp(C3=0.020, nC4=0.960, nC6=0.020)


def vessel(feed, t, p):
    v, x, y, k = flash(feed, t, p)
    return x, y, k


# ---- the main flowsheet ---------------------------------------------------------------------
plant = []

# Inlet separation: a three-phase separator with the full phase tables and K-values.
wx, wy, wk = vessel(WELL, SEP_T, SEP_P)
heavy = WATER
plant.append({"name": "Inlet Separator", "type": "Sep3OpObject", "children": [
    var("Vessel Pressure", SEP_P),
    array("Comp Mole Frac", WELL, True),
    table("Vapour", wy), table("Liquid", wx), table("Heavy Liquid", heavy), table("Liquid2", heavy),
    array("Comp K Value - Mixed Liquid", [r(wy[i] / max((wx[i] + heavy[i]) / 2, 1e-6), 5) for i in range(10)], True),
    array("Comp K Value - Light Liquid", [r(wk[i], 5) for i in range(10)], True),
    array("Comp K Value - Heavy Liquid", [r(wy[i] / max(heavy[i], 1e-6), 5) for i in range(10)], True),
    array("Comp K Value - Liq1 / Liq2", [r(wx[i] / max(heavy[i], 1e-6), 5) for i in range(10)], True),
    array("CO results label", [0.0012, 0.0004, 0.0001])]})
plant.append(stream("Well Fluid", WELL, 38.0, 6600.0, 4200.0, phases=True))
plant.append(stream("Inlet Gas", GAS, SEP_T, SEP_P, 3640.0, phases=True))
plant.append(stream("Inlet Condensate", CONDENSATE, SEP_T, SEP_P, 398.0))
plant.append(stream("Produced Water", WATER, SEP_T, SEP_P, 162.0))

# Export gas: compressor with performance curves, cooler with zones, splitter, pipeline.
speeds = [8500, 10000, 11500]
curves = []
for n, rpm in enumerate(speeds):
    s = rpm / 10000.0
    flows = [r(v * s, 1) for v in (9000, 11000, 13000, 15000, 17000)]
    heads = [r(v * s * s, 1) for v in (62000, 60000, 56500, 51000, 43000)]
    effs = [0.72, 0.78, 0.80, 0.78, 0.71]
    curves.append({"children": [var("Object Name", "Curve %d rpm" % rpm), var("Curve Speed", float(rpm)),
                                array("Flow", flows), array("Head", heads), array("Efficiency", effs),
                                array("Speed", [float(rpm - 1000 + 500 * i) for i in range(5)])]})
plant.append({"name": "Export Compressor", "type": "CompressorObject", "children": [
    var("Power", 6850.0), var("Polytropic Efficiency", 0.78), {"name": "Compressor curve", "elements": curves}]})
plant.append(stream("Compressed Gas", GAS, 118.0, 11500.0, 3420.0))
plant.append({"name": "Gas Cooler", "type": "CoolerOpObject", "children": [
    var("Duty", -9.8e6),
    array("Zone duty", [-4.1e6, -3.3e6, -2.4e6]),
    array("Zone pressures", [11500.0, 11470.0, 11440.0, 11400.0]),
    array("Zone vapour frac", [1.0, 1.0, 0.9992])]})
plant.append(stream("Cooled Gas", GAS, 40.0, 11400.0, 3420.0))
plant.append({"name": "Gas Splitter", "type": "TeeOpObject", "children": [
    var("Number of Product Streams", 3),
    array("Split Fractions", [0.90, 0.04, 0.06]),
    {"name": "Enhanced Holdup", "children": [array("Product Nozzle Diameter", [0.3048, 0.1016, 0.1524])]}]})
plant.append(stream("Export Gas", GAS, 40.0, 11400.0, 3078.0))
plant.append(stream("Fuel Gas", GAS, 40.0, 11400.0, 136.8))
plant.append(stream("Reformer Feed Gas", GAS, 40.0, 11400.0, 205.2))
cells = [4, 6, 5]
lengths = [12000.0, 18500.0, 9500.0]
cell_p, cell_t, prof_len, prof_p = [], [], [0.0], [11400.0]
p, t, at = 11400.0, 40.0, 0.0
for seg, n in enumerate(cells):
    for c in range(n):
        at += lengths[seg] / n
        p -= 38.0 + 4.0 * seg
        t -= 0.9
        cell_p.append(r(p, 1)), cell_t.append(r(t, 2)), prof_len.append(r(at, 1)), prof_p.append(r(p, 1))
plant.append({"name": "Export Pipeline", "type": "PipeSegObject", "children": [
    array("Pipe Length", lengths), array("Elevation Change", [15.0, -8.0, 22.0]),
    array("Inner Diameter", [0.4572, 0.4572, 0.4572]), array("No of Increments", cells),
    array("Cell Pressure", cell_p), array("Cell Temperature", cell_t),
    array("Profile Length", prof_len), array("Profile Pressure", prof_p)]})
plant.append(stream("Pipeline Arrival", GAS, cell_t[-1], cell_p[-1], 3078.0))

# Steam reforming train.
plant.append(stream("Process Steam", comp(H2O=1.0), 390.0, 3200.0, 520.0))
plant.append({"name": "Reformer Feed Mixer", "type": "MixerOpObject", "children": [
    {"name": "Enhanced Hold Up", "children": [array("Feed Nozzle Diameter", [0.1524, 0.2032])]}]})
plant.append(stream("Mixed Reformer Feed", SYNGAS_FEED, 360.0, 3100.0, 725.2))
plant.append({"name": "Pre-Reformer", "type": "GibbsReactorOpObject", "children": [
    var("Vessel Temperature", 490.0),
    array("Frac Spec", [1.0, 1.0, 1.0, 1.0, 0.0, 1.0, 1.0, 1.0, 1.0, 1.0]),
    array("Vessel Mole Frac", PRE_REFORMED, True),
    array("Total Inflow", [r(725.2 * v, 3) for v in SYNGAS_FEED])]})
plant.append(stream("Pre-Reformed Gas", PRE_REFORMED, 470.0, 3050.0, 742.0))
plant.append({"name": "Steam Reformer", "type": "ConversionReactorOpObject", "children": [
    var("Reaction Set", "Reforming Set"),
    array("Reaction", [0.78, 0.95]),
    array("Est. Molar Extent", [144.1, 3.2]),
    array("Vessel Mole Frac", REFORMED, True),
    array("Total Inflow", [r(742.0 * v, 3) for v in PRE_REFORMED])]})
plant.append(stream("Reformed Gas", REFORMED, 870.0, 2900.0, 1036.0))
plant.append({"name": "Shift Converter", "type": "EquilibriumReactorOpObject", "children": [
    var("Reaction Set", "Shift Set"),
    array("Temperature Approach", [10.0]),
    array("Est. Molar Extent", [68.4]),
    array("Vessel Mole Frac", SHIFTED, True),
    array("Total Inflow", [r(1036.0 * v, 3) for v in REFORMED])]})
plant.append(stream("Shifted Gas", SHIFTED, 415.0, 2850.0, 1036.0))

# Condensate stabilisation.
fx, fy, fk = vessel(CONDENSATE, 30.0, 1800.0)
plant.append({"name": "LP Flash Drum", "type": "FlashTankObject", "children": [
    var("Vessel Pressure", 1800.0), array("Comp Mole Frac", CONDENSATE, True),
    table("Vapour", fy), table("Liquid", fx),
    array("Comp K Value - Mixed Liquid", [r(v, 5) for v in fk], True),
    array("Comp K Value - Light Liquid", [r(v, 5) for v in fk], True)]})
plant.append(stream("Flash Gas", fy, 30.0, 1800.0, 61.0))
plant.append(stream("Flash Liquid", fx, 30.0, 1800.0, 337.0))
plant.append({"name": "Condensate LCV", "type": "ValveOpObject", "children": [
    var("Pressure Drop", 650.0),
    {"name": "Performance Curve", "children": [
        array("Lift (% of max)", [float(10 * i) for i in range(11)]),
        array("Cv", [0.0, 4.1, 9.0, 15.2, 23.5, 34.0, 47.1, 62.5, 80.3, 99.8, 120.0])]}]})
plant.append(stream("LCV Outlet", fx, 27.5, 1150.0, 337.0))
plant.append({"name": "Condensate Pump", "type": "PumpOpObject", "children": [
    var("Power", 48.5),
    {"name": "Pump Curve", "elements": [
        {"children": [var("Object Name", "Head 2950 rpm"), var("Curve Speed", 2950.0),
                      array("Flow", [0.0, 20.0, 40.0, 60.0]), array("Head", [182.0, 176.0, 160.0, 131.0])]},
        {"children": [var("Object Name", "Head 2600 rpm"), var("Curve Speed", 2600.0),
                      array("Flow", [0.0, 18.0, 35.0, 53.0]), array("Head", [141.0, 137.0, 124.0, 102.0])]}]},
    {"name": "NPSH Curve", "elements": [
        {"children": [var("Object Name", "NPSHr 2950 rpm"), var("Point 1 NPSH", 2.1), var("Point 1 Vol Flow", 15.0),
                      var("Point 2 NPSH", 4.8), var("Point 2 Vol Flow", 55.0)]}]}]})
plant.append(stream("Pumped Condensate", fx, 28.5, 2300.0, 337.0))
plant.append({"name": "Feed Effluent Exchanger", "type": "HeatExOpObject", "children": [
    var("Duty", 2.35e6), var("Tube Inlet Temperature", 245.0), var("Shell Inlet Temperature", 28.5),
    var("Tube Side Delta T", -92.0), var("Tube Side Pressure Drop", 45.0),
    var("Tube Outlet Temperature", 153.0), var("Tube Outlet Pressure", 1355.0),
    var("Shell Side Delta T", 96.5), var("Shell Side Pressure Drop", 60.0),
    var("Shell Outlet Temperature", 125.0), var("Shell Outlet Pressure", 2240.0)]})
plant.append(stream("Preheated Condensate", fx, 125.0, 2240.0, 337.0))
plant.append({"name": "Fractionator Feed Heater", "type": "HeaterOpObject", "children": [
    var("Duty", 3.6e6),
    array("Zone duty", [1.2e6, 1.0e6, 0.8e6, 0.6e6]),
    array("Zone pressures", [2240.0, 2200.0, 2150.0, 2090.0, 2020.0]),
    array("Zone vapour frac", [0.05, 0.14, 0.25, 0.35])]})
plant.append(stream("Fractionator Feed", fx, 205.0, 1400.0, 337.0))
plant.append({"name": "Condensate Tank", "type": "TankOpObject", "children": [
    var("Vessel Pressure", 105.0), array("Comp Mole Frac", NAPHTHA, True),
    table("Vapour", vessel(NAPHTHA, 35.0, 105.0)[1]), table("Liquid", vessel(NAPHTHA, 35.0, 105.0)[0]),
    array("Comp K Value - Mixed Liquid", [r(v, 5) for v in wilson_k(35.0, 105.0)], True),
    array("Comp K Value - Light Liquid", [r(v, 5) for v in wilson_k(35.0, 105.0)], True)]})
plant.append(stream("Stored Naphtha", NAPHTHA, 35.0, 105.0, 122.0))


# ---- columns ----------------------------------------------------------------------------------
def tray_section(name, ident, stages, t_top, t_bottom, feeds, kind, extra=()):
    temps = [r(t_top + (t_bottom - t_top) * i / (stages - 1), 2) for i in range(stages)]
    liquid = [r(180.0 + 6.0 * i, 1) for i in range(stages)]
    children = [var("Number of Stages", stages), array("Traysection Feeds", feeds),
                array("Stage Temperature", temps), array("Liquid Draws#1", liquid),
                var("Type of Tray Section", kind)]
    children.extend(extra)
    return {"name": name, "type": "TraySectionObject", "id": ident, "children": children}


def condrebvessel(name, type_name, feed, t, p, duty, products):
    x, y, _ = vessel(feed, t, p)
    children = [var("Duty", duty), array("Nozzle Diameter", [0.2032, 0.1524, 0.1016]),
                array("Vessel Mole Frac", feed, True), array("Vapour Mole Fraction", y, True),
                array("Liquid Mole Fraction", x, True)]
    children.extend(var(k, v) for k, v in products)
    return {"name": name, "type": type_name, "children": children}


frac = [
    tray_section("Main TS", "TS-1", 16, 62.0, 238.0, ["Fractionator Feed", "Stripper Vapour", "PA Return"],
                 "Main TS", [
                     array("Liquid Draw", ["Naphtha Draw"]), array("Vapour Draw", ["Side Vapour"]),
                     array("Water Draw", ["Free Water"]),
                     {"name": "Liquid Draws", "elements": [
                         {"children": [array("Vap and Liq draws", ["PA Draw"])]},
                         {"children": [array("Vap and Liq draws", ["Naphtha Draw"])]}]},
                     {"name": "Vapour Draws", "elements": [{"children": [array("Vap and Liq draws", ["Side Vapour"])]}]},
                     {"name": "Water Draws", "elements": [{"children": [array("Vap and Liq draws", ["Free Water"])]}]}]),
    tray_section("Naphtha Stripper", "TS-2", 6, 148.0, 171.0, ["Naphtha Draw", "Stripper Boilup"], "Side Stripper", [
        var("top liquid feed", "Naphtha Draw"), var("overhead vapour product", "Stripper Vapour"),
        var("bottom vapour feed", "Stripper Boilup"), var("bottom liquid product", "Stripper Bottoms")]),
    condrebvessel("Condenser", "CondenserObject", OFFGAS, 40.0, 1250.0, -2.9e6, [
        ("Overhead Vapour Stream", "Off Gas"), ("Distillate Stream", "LPG"),
        ("Heavy Liquid Stream", "Sour Water"), ("Reflux Stream", "Reflux")]),
    condrebvessel("Reboiler", "BPReboilerObject", RESIDUE, 238.0, 1320.0, 3.1e6, [
        ("Boilup Stream", "Boilup"), ("Liquid Product Stream", "Residue"),
        ("2nd Liquid Draw Stream", "Reboiler Water"), ("Vapour Draw Stream", "Reboiler Vapour")]),
    condrebvessel("Stripper Reboiler", "BPReboilerObject", NAPHTHA, 171.0, 1290.0, 0.42e6, [
        ("Boilup Stream", "Stripper Boilup"), ("Liquid Product Stream", "Naphtha")]),
    {"name": "Pumparound 1", "type": "PumpAroundObject", "children": [
        var("Duty", -0.85e6), var("Feed", "PA Draw"), var("Product", "PA Return")]},
    stream("Off Gas", OFFGAS, 40.0, 1250.0, 18.0),
    stream("LPG", LPG, 40.0, 1250.0, 96.0),
    stream("Sour Water", WATER, 40.0, 1250.0, 1.2),
    stream("Reflux", LPG, 40.0, 1250.0, 210.0),
    stream("Boilup", RESIDUE, 238.0, 1320.0, 260.0),
    stream("Residue", RESIDUE, 238.0, 1320.0, 99.0),
    stream("Reboiler Water", WATER, 238.0, 1320.0, 0.3),
    stream("Reboiler Vapour", RESIDUE, 238.0, 1320.0, 4.0),
    stream("Naphtha Draw", NAPHTHA, 150.0, 1285.0, 160.0),
    stream("Side Vapour", OFFGAS, 120.0, 1270.0, 6.0),
    stream("Free Water", WATER, 95.0, 1265.0, 0.6),
    stream("PA Draw", NAPHTHA, 175.0, 1295.0, 240.0),
    stream("PA Return", NAPHTHA, 95.0, 1295.0, 240.0),
    stream("Stripper Vapour", LPG, 148.0, 1280.0, 38.0),
    stream("Stripper Boilup", NAPHTHA, 171.0, 1290.0, 45.0),
    stream("Stripper Bottoms", NAPHTHA, 171.0, 1290.0, 167.0, extra=[
        array("Downstream Unit Operations", ["Stripper Reboiler"])]),
    stream("Naphtha", NAPHTHA, 171.0, 1290.0, 122.0)]
plant.append({"name": "Fractionator", "type": "ColumnOpObject", "children": frac})
plant.append(stream("LPG Feed", LPG, 45.0, 1900.0, 96.0))
plant.append({"name": "Depropanizer", "type": "DistillationObject", "children": [
    tray_section("Main TS", "TS-1", 12, 48.0, 104.0, ["LPG Feed"], "Main TS"),
    condrebvessel("Condenser", "CondenserObject", PROPANE, 45.0, 1650.0, -1.1e6, [
        ("Overhead Vapour Stream", "C3 Vent"), ("Distillate Stream", "Propane Product"),
        ("Heavy Liquid Stream", "C3 Condenser Water"), ("Reflux Stream", "C3 Reflux")]),
    condrebvessel("Reboiler", "BPReboilerObject", BUTANE, 104.0, 1700.0, 1.2e6, [
        ("Boilup Stream", "C3 Boilup"), ("Liquid Product Stream", "Butane Product")]),
    stream("C3 Vent", comp(C2=0.35, C3=0.64, N2=0.01), 45.0, 1650.0, 0.8),
    stream("Propane Product", PROPANE, 45.0, 1650.0, 52.0),
    stream("C3 Condenser Water", WATER, 45.0, 1650.0, 0.05),
    stream("C3 Reflux", PROPANE, 45.0, 1650.0, 120.0),
    stream("C3 Boilup", BUTANE, 104.0, 1700.0, 140.0),
    stream("Butane Product", BUTANE, 104.0, 1700.0, 43.2)]})

# ---- utilities and energy streams -----------------------------------------------------------
bub_t = [-85.0, -70.0, -55.0, -40.0, -25.0, -10.0, 0.0, 8.0]
bub_p = [1200.0, 2050.0, 3150.0, 4500.0, 6050.0, 7650.0, 8700.0, 9400.0]
dew_t = [95.0, 90.0, 82.0, 70.0, 55.0, 40.0, 28.0, 18.0, 12.0, 8.0]
dew_p = [500.0, 1500.0, 2700.0, 4100.0, 5600.0, 7000.0, 8000.0, 8800.0, 9200.0, 9400.0]
hyd_t = [8.0, 11.5, 14.0, 16.5, 18.0, 19.5]
hyd_p = [1000.0, 2000.0, 3000.0, 5000.0, 7000.0, 9000.0]
plant.append({"name": "Well Fluid Envelope", "type": "EnvelopeUtilityObject", "children": [
    var("Number of Points, Bubble Point Curve", len(bub_t)),
    var("Number of Points, Dew Point Curve", len(dew_t)),
    var("Number of Points, Hydrate Curve", len(hyd_t)),
    array("Bubble Point Temperature", bub_t), array("Bubble Point Pressure", bub_p),
    array("Dew Point Temperature", dew_t), array("Dew Point Pressure", dew_p),
    array("Envelope Temperature", bub_t + dew_t),
    array("Hydrate Temperature", hyd_t), array("Hydrate Pressure", hyd_p)]})
cut_texts = ["0.0", "1.00", "2.00", "3.50", "5.00", "7.50", "10.00", "12.50", "15.00", "17.50",
             "20.00", "25.00", "30.00", "35.00", "40.00", "45.00", "50.00", "55.00", "60.00",
             "65.00", "70.00", "75.00", "80.00", "85.00", "90.00", "92.50", "95.00", "96.50",
             "98.00", "99.00", "100.00"]
tbp = [var("Cut Pt-%s%%" % c, r(36.0 + 1.74 * float(c) + 0.0009 * float(c) ** 2, 1)) for c in cut_texts]
plant.append({"name": "Naphtha TBP Curve", "type": "BPTableUtilityObject", "children": tbp + [
    var("Viscosity at 100 F", 0.52), var("Viscosity at 210 F", 0.31)]})
for name, kw in (("Compressor Power", 6850.0), ("Cooler Duty", -2722.0), ("Heater Duty", 1000.0),
                 ("Pump Power", 48.5), ("Condenser Duty", -805.6), ("Reboiler Duty", 861.1),
                 ("Reformer Duty", 12400.0)):
    plant.append(energy(name, kw))


# ---- the reaction package -----------------------------------------------------------------------
def reaction(kind, extra):
    return {"name": "Reaction", "children": [var("ReactionType", kind)] + extra}


def reaction_set(index, name, active, inactive, ranks, reactions):
    return {"name": "ReactionSet#%d" % index, "type": "ReactionSetObject", "children": [
        var("ReactionSetName", name),
        {"name": "ActiveReactionList", "children": [var("NumberOfActiveRxns", len(active))] +
            [var("ActiveReaction", a) for a in active] +
            [var("ActiveReaction#%d" % i, a) for i, a in enumerate(active)]},
        {"name": "InactiveReactionList", "children": [var("NumberOfInactiveRxns", len(inactive))] +
            [var("InactiveReaction", a) for a in inactive]},
        {"name": "ReactionRanks", "children": [
            {"name": "ReactionRankSet", "children": [var("ReactionRank", rank)]} for rank in ranks]},
        {"name": "ReactionList", "children": reactions}]}


methanation = reaction("LHKineticRxnObject", [
    {"name": "KineticBasis", "children": [
        var("Basis", "Partial Pressure"),
        {"name": "ReactantList", "children": [
            var("NumberOfReactants", 2),
            {"name": "Reactant", "children": [var("ComponentName", "Carbon Monoxide")]},
            {"name": "Reactant", "children": [var("ComponentName", "Hydrogen")]}]}]},
    var("NumberOfRows", 2),
    var("PreFactor", 1.0), var("ActivationEnergy", 0.0),
    var("PreFactor", 0.032), var("ActivationEnergy", -42000.0),
    var("NumberOfReactants", 2),
    var("Exponents", 0.0), var("Exponents", 0.0), var("Exponents", 1.0), var("Exponents", 0.5)])
reaction_sets = [
    reaction_set(0, "Reforming Set", ["Methane Reforming", "Ethane Reforming"], ["Dry Reforming"],
                 [1.0, 2.0, 3.0], [
                     reaction("ConversionRxnObject", [var("Conversion", 0.78)]),
                     reaction("ConversionRxnObject", [var("Conversion", 0.95)]),
                     reaction("ConversionRxnObject", [var("Conversion", 0.0)])]),
    reaction_set(1, "Shift Set", ["Water Gas Shift"], ["Reverse Shift"], [1.0, 2.0], [
        reaction("EquilibriumRxnObject", [var("Ln Keq A", -4.33)]),
        reaction("EquilibriumRxnObject", [var("Ln Keq A", 4.33)])]),
    reaction_set(2, "Methanation Set", ["Methanation", "CO Oxidation"], ["Hydrogen Oxidation"],
                 [1.0, 1.0, 2.0], [
                     methanation,
                     reaction("SimpleRateRxnObject", [{"name": "KineticBasis", "children": [var("Basis", "Molar Concn")]}]),
                     reaction("KineticRxnObject", [var("Forward A", 1.8e11)])])]
basis = {"name": "Basis", "children": [
    {"name": "Components", "elements": COMPONENTS},
    {"name": "ReactionPackage", "children": [
        {"name": "ReactionSetList", "children": [var("NumberOfReactionSets", len(reaction_sets))] + reaction_sets}]}]}

case = {"name": "Plant", "type": "TemplateOpObject", "children": [basis] + plant}
out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "default.json")
with open(out, "w", encoding="utf-8") as f:
    json.dump(case, f, indent=1)
    f.write("\n")
print("wrote", out)
