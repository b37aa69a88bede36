"""The example plant of examples/*.m in Python: the property set, its rest
point and the hour of sampled level and temperature control, ported line by
line from cyclohexane_vaporizer_parameters.m, vaporizer_steady_state.m,
vaporizer_inputs.m and level_control_loop.m (vaporizer_step between the
samples, or SciPy's solve_ivp where that file has ode15s). Those files say
where the numbers come from and why the loops are tuned as they are; this
one keeps their arithmetic in their order, so that the rest point and the
run with vaporizer_step have the bits of the Octave example's.

Sums are taken element after element, as Octave sums a short column
(NumPy's sum pairs terms in another order from eight on).
"""

import math
import time
from types import SimpleNamespace

import numpy as np
import scipy.integrate

from mex_suite import Transmit, vaporizer, vaporizer_linearize, vaporizer_step


def ordered_sum(values):
    total = 0.0
    for value in np.ravel(values):
        total += value
    return total


def cyclohexane_vaporizer_parameters():
    """The property set and plant data; fields carry vaporizer's input names."""
    p = SimpleNamespace()
    p.names = ["n-pentane", "n-hexane", "benzene", "cyclohexane", "n-heptane", "toluene",
               "n-octane"]
    aromatic = np.array([0, 0, 1, 0, 0, 1, 0], dtype=bool)
    # M / (kg/mol)  rho / (kg/m^3)  ANTA  ANTB  ANTC  Tb / degC  dHvap(Tb) / (kJ/mol)
    data = np.array([
        [0.072151, 626, 15.8333, 2477.07, -39.94, 36.07, 25.79],
        [0.086178, 659, 15.8366, 2697.55, -48.78, 68.73, 28.85],
        [0.078114, 876, 15.9008, 2788.51, -52.36, 80.09, 30.72],
        [0.084162, 779, 15.7527, 2766.63, -50.50, 80.74, 29.97],
        [0.100205, 684, 15.8737, 2911.32, -56.51, 98.43, 31.77],
        [0.092141, 867, 16.0137, 3096.52, -53.67, 110.63, 33.18],
        [0.114232, 703, 15.9426, 3120.29, -63.63, 125.68, 34.41],
    ])
    p.molar_mass = data[:, 0].copy()
    p.density = data[:, 1].copy()
    p.normal_boiling_point = data[:, 5].copy()

    p.temperature_offset = 273.15
    p.antoine_a = data[:, 2] + math.log(101.325 / 760)
    p.antoine_b = -data[:, 3]
    p.antoine_c = data[:, 4] + p.temperature_offset

    cp_liquid_25 = np.array([2.32, 2.27, 1.74, 1.85, 2.24, 1.71, 2.23])
    p.cp_liquid_b = 0.0040 * np.ones(7)
    p.cp_liquid_b[aromatic] = 0.0030
    p.cp_liquid_a = cp_liquid_25 - 25 * p.cp_liquid_b
    cp_vapour_25 = np.array([1.66, 1.66, 1.05, 1.26, 1.66, 1.12, 1.65])
    p.cp_vapour_b = 0.0035 * np.ones(7)
    p.cp_vapour_b[aromatic] = 0.0032
    p.cp_vapour_a = cp_vapour_25 - 25 * p.cp_vapour_b

    tb = p.normal_boiling_point
    sensible_difference = p.molar_mass * ((p.cp_vapour_a - p.cp_liquid_a) * tb
                                          + 0.5 * (p.cp_vapour_b - p.cp_liquid_b) * tb ** 2)
    p.enthalpy_offset = data[:, 6] - sensible_difference

    # Row j, column i: v_j / v_i, as Octave's molar_volume * (1 ./ molar_volume)'.
    p.gas_constant = 8.314462618
    molar_volume = p.molar_mass / p.density
    p.wilson_volume = np.outer(molar_volume, 1 / molar_volume)
    p.wilson_energy = 600 * (aromatic[:, None] != aromatic[None, :]).astype(float)
    p.density_factor = 1.0

    p.area = 1.2
    p.feed1_flow = 4.0
    p.feed1_comp = np.array([0.040, 0.030, 0.010, 0.880, 0.025, 0.005, 0.010])
    p.feed1_temp = 120.0
    p.feed2_flow = 8.0
    p.feed2_comp = np.array([0.010, 0.020, 0.020, 0.850, 0.050, 0.030, 0.030])
    p.feed2_temp = 45.0
    return p


def vaporizer_inputs(p, state, vapour, heat, feed2):
    """The 25 inputs of vaporizer, in its order."""
    return [state, vapour, heat, p.feed1_flow, p.feed1_comp, p.feed1_temp, feed2, p.feed2_comp,
            p.feed2_temp, p.area, p.wilson_volume, p.wilson_energy, p.molar_mass, p.density,
            p.enthalpy_offset, p.cp_liquid_a, p.cp_liquid_b, p.cp_vapour_a, p.cp_vapour_b,
            p.antoine_a, p.antoine_b, p.antoine_c, p.gas_constant, p.density_factor,
            p.temperature_offset]


def liquid_fractions(state):
    """The seven liquid mole fractions; cyclohexane (4th) is the dependent one."""
    return np.concatenate([state[0:3], [1 - ordered_sum(state[0:6])], state[3:6]])


def solve_by_elimination(M, b):
    """Gaussian elimination with partial pivoting (the first largest pivot),
    then back substitution, one scalar operation at a time, as in
    vaporizer_steady_state.m."""
    M, b = np.array(M, dtype=float), np.array(b, dtype=float)
    n = b.size
    for k in range(n):
        pivot = k + int(np.argmax(np.abs(M[k:, k])))
        M[[k, pivot]] = M[[pivot, k]]
        b[[k, pivot]] = b[[pivot, k]]
        for i in range(k + 1, n):
            factor = M[i, k] / M[k, k]
            for j in range(k + 1, n):
                M[i, j] = M[i, j] - factor * M[k, j]
            b[i] = b[i] - factor * b[k]
    x = np.zeros(n)
    for i in range(n - 1, -1, -1):
        total = b[i]
        for j in range(i + 1, n):
            total = total - M[i, j] * x[j]
        x[i] = total / M[i, i]
    return x


def vaporizer_steady_state(p, level, temperature):
    """The rest point at LEVEL and TEMPERATURE with the draw taking all that
    comes in: state, heat, vapour. Newton's method on the model's exact
    Jacobian, step for step as vaporizer_steady_state.m, so the rest point
    has the Octave example's bits."""
    vapour = p.feed1_flow + p.feed2_flow
    u = np.append(np.delete(0.5 * (p.feed1_comp + p.feed2_comp), 3), 300.0)
    equations = [0, 1, 2, 3, 4, 5, 7]
    for _ in range(50):
        state = np.concatenate([u[0:6], [level, temperature]])
        c = vaporizer_inputs(p, state, vapour, u[6], p.feed2_flow)
        derivatives = vaporizer(*c)[0]
        A, B = vaporizer_linearize(*c)[:2]
        jacobian = np.column_stack([A[equations, 0:6], B[equations, 1]])
        step = solve_by_elimination(jacobian, -derivatives[equations])
        u = u + step
        if np.max(np.abs(step)) <= 1e-14 * np.max(np.abs(u)):
            return np.concatenate([u[0:6], [level, temperature]]), u[6], vapour
    raise RuntimeError("Newton's method found no steady state in 50 steps")


def control_loop(sample, span, dead_time, lag_time, lag_stages, setpoint, bias, limits,
                 capacity, closed_loop_time):
    """A transmitter (Transmit's state and settings) and a PI controller."""
    loop = SimpleNamespace(sample=sample, span=span, dead_time=dead_time, lag_time=lag_time,
                           lag_stages=lag_stages, bias=bias, limits=limits, integral=0.0)
    loop.delay_length = math.floor(dead_time / sample + 0.5) + 1
    fraction = (setpoint - span[0]) / (span[1] - span[0])
    loop.setpoint = fraction
    loop.delay_line = fraction * np.ones(loop.delay_length)
    loop.lag_states = fraction * np.ones(lag_stages)
    delay = dead_time + lag_stages * lag_time + sample / 2
    loop.gain = capacity * (span[1] - span[0]) / (closed_loop_time + delay)
    loop.integral_time = 4 * (closed_loop_time + delay)
    return loop


def sample_loop(loop, value):
    """One sample: the transmitter takes the plant value, the PI controller
    answers; the integral moves only while the output is inside its limits."""
    loop.delay_line, loop.lag_states = Transmit(
        value, loop.delay_line, loop.lag_states, loop.dead_time, loop.lag_time,
        loop.delay_length, loop.lag_stages, loop.sample, loop.span[0], loop.span[1])
    fraction = loop.lag_states[loop.lag_stages - 1]
    measured = loop.span[0] + fraction * (loop.span[1] - loop.span[0])
    error_now = fraction - loop.setpoint
    integral = loop.integral + error_now * loop.sample
    unclipped = loop.bias + loop.gain * (error_now + integral / loop.integral_time)
    output = min(max(unclipped, loop.limits[0]), loop.limits[1])
    if output == unclipped:
        loop.integral = integral
    return output, measured


def response(t, controlled, setpoints, step_time):
    """Peak deviation after the step, its time, and the settling time within
    10 mm and 0.5 K (NaN when still outside at the end)."""
    after = t >= step_time
    band = (0.01, 0.5)
    deviation = controlled - setpoints
    peak, peak_time, settling = np.zeros(2), np.zeros(2), np.zeros(2)
    for i in range(2):
        at = int(np.argmax(np.abs(deviation[:, i]) * after))
        peak[i] = deviation[at, i]
        peak_time[i] = t[at] - step_time
        outside = np.flatnonzero((np.abs(deviation[:, i]) > band[i]) & after)
        if outside.size == 0:
            settling[i] = 0.0
        elif outside[-1] == t.size - 1:
            settling[i] = np.nan
        else:
            settling[i] = t[outside[-1] + 1] - step_time
    return peak, peak_time, settling


def level_control_loop(p, rest, feed_step=0.2, gain_factor=(1.0, 1.0),
                       tolerances=(1e-7, 1e-9), step_time=300.0, horizon=3600.0, sample=2.0,
                       integrator="vaporizer_step"):
    """The hour of level_control_loop.m: a dict of the sampled trajectories
    (t, states, measured, manipulated, pressure, vapour_comp), the loops'
    tuning, the response and seconds, the wall time of the loop alone.
    integrator "vaporizer_step" makes one call per sample interval, as the
    Octave loop's default; "solve_ivp" SciPy's LSODA over each interval on
    vaporizer's derivatives and vaporizer_linearize's Jacobian, where the
    Octave loop has ode15s (SciPy's BDF there strays 1.5e-5 from the other
    run, where LSODA and ode15s stay within 3e-6)."""
    level_setpoint = rest["state"][6]
    temperature_setpoint = rest["state"][7]
    feed2_after_step = (1 + feed_step) * p.feed2_flow

    x = liquid_fractions(rest["state"])
    molar_density = 1 / ordered_sum(x * p.molar_mass / p.density)
    holdup = molar_density * p.area * level_setpoint
    heat_capacity = holdup * ordered_sum(
        x * p.molar_mass * (p.cp_liquid_a + p.cp_liquid_b * temperature_setpoint))
    level = control_loop(sample, (0.0, 2.0), 6.0, 5.0, 2, level_setpoint, rest["vapour"],
                         (0.0, 2 * rest["vapour"]), molar_density * p.area, 180.0)
    temperature = control_loop(sample, (0.0, 200.0), 4.0, 30.0, 1, temperature_setpoint,
                               rest["heat"], (0.0, 2 * rest["heat"]), heat_capacity, 120.0)
    level.gain = gain_factor[0] * level.gain
    temperature.gain = -gain_factor[1] * temperature.gain

    steps = math.floor(horizon / sample + 0.5)
    t = np.arange(steps + 1) * sample
    states = np.zeros((steps + 1, 8))
    vapour_comp = np.zeros((steps + 1, 7))
    pressure = np.zeros(steps + 1)
    measured = np.zeros((steps + 1, 2))
    manipulated = np.zeros((steps + 1, 2))
    c = vaporizer_inputs(p, rest["state"], rest["vapour"], rest["heat"], p.feed2_flow)
    _, _, y, _, pk = vaporizer(*c)

    def derivatives(_, s):
        c[0] = s
        return vaporizer(*c)[0]

    def jacobian(_, s):
        c[0] = s
        return vaporizer_linearize(*c)[0]

    started = time.perf_counter()
    state = rest["state"]
    for k in range(steps + 1):
        vapour, measured[k, 0] = sample_loop(level, state[6])
        heat, measured[k, 1] = sample_loop(temperature, state[7])
        states[k] = state
        vapour_comp[k] = y
        pressure[k] = pk
        manipulated[k] = (vapour, heat)
        if k == steps:
            break
        c[0] = state
        c[1] = vapour
        c[2] = heat
        c[6] = p.feed2_flow + float(t[k] >= step_time) * (feed2_after_step - p.feed2_flow)
        if integrator == "vaporizer_step":
            state, _, y, _, pk, _ = vaporizer_step(*c, sample, rtol=tolerances[0],
                                                   atol=tolerances[1])
        else:
            state = scipy.integrate.solve_ivp(derivatives, (t[k], t[k + 1]), state,
                                              method="LSODA", jac=jacobian, rtol=tolerances[0],
                                              atol=tolerances[1]).y[:, -1]
            c[0] = state
            _, _, y, _, pk = vaporizer(*c)
    seconds = time.perf_counter() - started

    setpoints = np.array([level_setpoint, temperature_setpoint])
    peak, peak_time, settling = response(t, states[:, 6:8], setpoints, step_time)
    return {"t": t, "states": states, "measured": measured, "manipulated": manipulated,
            "pressure": pressure, "vapour_comp": vapour_comp, "setpoints": setpoints,
            "loops": (level, temperature), "peak_deviation": peak, "peak_time": peak_time,
            "settling_time": settling, "seconds": seconds,
            "settings": {"feed_step": feed_step, "tolerances": tolerances,
                         "step_time": step_time, "horizon": horizon, "sample": sample}}
