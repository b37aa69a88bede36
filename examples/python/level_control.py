#!/usr/bin/env python3
"""The demo's closed-loop hour in Python: examples/vaporizer_level_control.m.

    python3 examples/python/level_control.py [output_dir]    # default build/demo

Finds the cyclohexane vaporizer's rest point at 1 m and 100 degC, steps its
liquid feed up by 20 % after five minutes and simulates an hour of sampled
level and temperature control (transmitters and PI loops every 2 s,
vaporizer_step between the samples; vaporizer_plant.py holds the plant and
the loops), then the same hour with SciPy's solve_ivp (LSODA, on the exact
Jacobian) between the samples where Octave's demo uses ode15s. Prints the Octave demo's summary and
draws its figure with matplotlib into output_dir/level_control.png.

The rest point and the run with vaporizer_step have the Octave demo's bits,
so every line of the summary is Octave's but for the wall times and the
comparison with the other integrator.
"""

import argparse
import pathlib
import sys

import matplotlib

matplotlib.use("Agg")  # no display needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import vaporizer_plant as plant  # noqa: E402
from mex_suite import vaporizer, vaporizer_step  # noqa: E402

BAND = (0.01, 0.5)  # m, K: as the loop's response judges settling
OTHER = "solve_ivp"


def summary(p, rest, d0, y0, p0, drift, run, reference, difference):
    """The lines vaporizer_level_control.m prints, in its formats."""
    state0, settings = rest["state"], run["settings"]
    x0 = plant.liquid_fractions(state0)
    lines = [
        "",
        f"Cyclohexane vaporizer: {', '.join(p.names)}",
        f"Steady state (Newton; an hour of vaporizer_step from it moves the state by "
        f"{drift:.1e}):",
        f"  level {state0[6]:.3f} m, temperature {state0[7]:.1f} degC, bubble-point pressure "
        f"{p0:.1f} kPa",
        f"  vapour draw {rest['vapour']:.2f} mol/s, heat input {rest['heat']:.1f} kW, largest "
        f"|derivative| {np.max(np.abs(d0)):.1e}",
        f"  {'mole frac.':<12s} {'liquid':>8s} {'vapour':>8s}",
    ]
    lines += [f"  {name:<12s} {x:8.4f} {y:8.4f}" for name, x, y in zip(p.names, x0, y0)]
    lines.append(f"Disturbance: liquid feed {p.feed2_flow:.1f} -> "
                 f"{(1 + settings['feed_step']) * p.feed2_flow:.1f} mol/s at t = "
                 f"{settings['step_time']:g} s; {settings['horizon']:g} s simulated")
    for i, (name, unit, gain_unit) in enumerate((("level", "m", "mol/s"),
                                                 ("temperature", "K", "kW"))):
        loop = run["loops"][i]
        lines.append(f"  {name} loop: PI gain {abs(loop.gain) / 100:.4g} {gain_unit} per % of "
                     f"span, integral time {loop.integral_time:.0f} s")
        settled = (f"not within +-{BAND[i]:g} {unit} by the end"
                   if np.isnan(run["settling_time"][i]) else
                   f"settled within +-{BAND[i]:g} {unit} after {run['settling_time'][i]:.0f} s")
        lines.append(f"    peak deviation {run['peak_deviation'][i]:+.3f} {unit}, "
                     f"{run['peak_time'][i]:.0f} s after the step; {settled}")
    states, manipulated = run["states"], run["manipulated"]
    lines.append(f"  at the end: level {states[-1, 6]:.3f} m, temperature {states[-1, 7]:.2f} "
                 f"degC, pressure {run['pressure'][-1]:.1f} kPa, vapour {manipulated[-1, 0]:.2f} "
                 f"mol/s, heat {manipulated[-1, 1]:.1f} kW")
    intervals = run["t"].size - 1
    rtol, atol = settings["tolerances"]
    lines.append(f"The hour of closed loop ({intervals} sample intervals, RelTol {rtol:g}, "
                 f"AbsTol {atol:g}):")
    lines.append(f"  with vaporizer_step {run['seconds']:.2f} s "
                 f"({1e6 * run['seconds'] / intervals:.0f} us per interval), with {OTHER} "
                 f"{reference['seconds']:.2f} s: {reference['seconds'] / run['seconds']:.1f}x "
                 f"faster")
    lines.append(f"  largest relative difference between the two runs' sampled states: "
                 f"{difference:.1e}")
    return lines


def mark_step(axes, step_minute):
    """Labels the time axis and marks the feed step with a thin grey line."""
    axes.grid(True, linestyle=":")
    axes.set_xlabel("time / min")
    axes.axvline(step_minute, color=(0.6, 0.6, 0.6), linewidth=1)


def plot_response(png, run, names, step_minute):
    """The figure of plot_response.m: both loops, their controllers' outputs,
    the pressure and the vapour composition's change."""
    minutes = run["t"] / 60
    figure, axes = plt.subplots(3, 2, figsize=(15, 12.5), dpi=100)
    loops = [("liquid level / m", "Liquid level (grey line: liquid feed steps up 20 %)", 6,
              "upper right", "vapour draw / (mol/s)", "Level controller output: vapour draw"),
             ("temperature / degC", "Liquid temperature", 7, "lower right", "heat input / kW",
              "Temperature controller output: heat input")]
    for k, (variable, heading, element, corner, output, output_heading) in enumerate(loops):
        ax = axes[k, 0]
        ax.plot(minutes, run["states"][:, element], "b-", linewidth=2, label="true")
        ax.plot(minutes, run["measured"][:, k], "r--", linewidth=1.5, label="transmitted")
        ax.axhline(run["setpoints"][k], color="k", linestyle=":", label="setpoint")
        ax.set_ylabel(variable)
        ax.legend(loc=corner)
        ax.set_title(heading)
        mark_step(ax, step_minute)
        ax = axes[k, 1]
        ax.plot(minutes, run["manipulated"][:, k], "b-", linewidth=2)
        ax.set_ylabel(output)
        ax.set_title(output_heading)
        mark_step(ax, step_minute)

    ax = axes[2, 0]
    ax.plot(minutes, run["pressure"], "b-", linewidth=2)
    ax.set_ylabel("pressure / kPa")
    ax.set_title("Bubble-point pressure")
    mark_step(ax, step_minute)

    # The vapour is mostly cyclohexane; its change shows best against the
    # steady state, with the steady-state mole-% in the legend.
    ax = axes[2, 1]
    initial = run["vapour_comp"][0]
    colours = [(0, 0.45, 0.74), (0.85, 0.33, 0.1), (0.93, 0.69, 0.13), (0, 0, 0),
               (0.47, 0.67, 0.19), (0.3, 0.75, 0.93), (0.75, 0, 0.75)]
    for i, name in enumerate(names):
        ax.plot(minutes, 100 * (run["vapour_comp"][:, i] - initial[i]), color=colours[i],
                linewidth=1.5, label=f"{name} ({100 * initial[i]:.2f} at start)")
    ax.set_ylabel("change / mol-%")
    ax.legend(loc="center left", bbox_to_anchor=(1.02, 0.5))
    ax.set_title("Equilibrium vapour composition, change from steady state")
    mark_step(ax, step_minute)

    figure.tight_layout()
    figure.savefig(png)
    plt.close(figure)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output_dir", nargs="?", default=str(pathlib.Path("build") / "demo"))
    arguments = parser.parse_args(argv)
    p = plant.cyclohexane_vaporizer_parameters()

    # --- steady state ---------------------------------------------------------
    state0, heat_design, vapour_design = plant.vaporizer_steady_state(p, 1.0, 100.0)
    rest = {"state": state0, "vapour": vapour_design, "heat": heat_design}
    c = plant.vaporizer_inputs(p, state0, vapour_design, heat_design, p.feed2_flow)
    d0, _, y0, _, p0 = vaporizer(*c)
    # An hour of integration from the solution must stay put.
    drift = np.max(np.abs(vaporizer_step(*c, 3600.0, rtol=1e-8, atol=1e-10)[0] - state0))

    # --- the closed loop, twice -----------------------------------------------
    run = plant.level_control_loop(p, rest)
    reference = plant.level_control_loop(p, rest, integrator=OTHER)
    difference = np.max(np.abs(run["states"] - reference["states"]) / np.abs(reference["states"]))

    print("\n".join(summary(p, rest, d0, y0, p0, drift, run, reference, difference)))

    # --- figure -----------------------------------------------------------------
    output_dir = pathlib.Path(arguments.output_dir)
    output_dir.mkdir(parents=True, exist_ok=True)
    png = output_dir / "level_control.png"
    plot_response(png, run, p.names, run["settings"]["step_time"] / 60)
    print(f"Figure: {png}")

    # A run that did not come back to rest, or whose two integrations
    # disagree, fails, after the figure is drawn so that it can be looked at.
    if (drift > 1e-6 or np.any(np.isnan(run["settling_time"]))
            or np.any(np.abs(run["states"][-1, 6:8] - run["setpoints"]) > BAND)):
        sys.exit(f"level_control: the plant did not settle: drift {drift:g}, final level "
                 f"{run['states'][-1, 6]:g} m, final temperature {run['states'][-1, 7]:g} degC")
    if difference > 1e-5:
        sys.exit(f"level_control: vaporizer_step and {OTHER} disagree by {difference:g} relative")
    return dict(run, steady_state=state0, heat_design=heat_design, drift=drift,
                difference=difference, figure=png)


if __name__ == "__main__":
    main()
