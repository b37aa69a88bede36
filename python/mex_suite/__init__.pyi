"""Type stubs of mex_suite: the five functions and Error.

Inputs are typed as what the functions accept (NumPy arrays or what NumPy
makes arrays of, numbers); every array output is float64. Each function's
text (help(mex_suite.vaporizer_step)) tells the rest.
"""

from typing import Dict, Literal, Optional, Tuple, Union, overload

import numpy as np
import numpy.typing as npt

__all__ = ["Error", "Transmit", "murtal", "vaporizer", "vaporizer_linearize", "vaporizer_step"]

Array = npt.ArrayLike                # read as float64 in Octave's column-major order
Scalar = npt.ArrayLike               # a number; an array's first element is read
Option = Optional[npt.ArrayLike]     # None or empty: the default
Float64Array = npt.NDArray[np.float64]

# The outputs of vaporizer: ds (shaped like state), level, y (shaped like
# feed1_comp), T, P.
ModelOutputs = Tuple[Float64Array, np.float64, Float64Array, np.float64, np.float64]
# The solver's work: steps, failed_steps, rhs_evaluations,
# jacobian_evaluations, nonlinear_iterations, convergence_failures.
Statistics = Dict[str, int]


class Error(ValueError):
    """A refused input or a call that could not end well, with Octave's identifier."""

    identifier: str

    def __init__(self, message: str, identifier: str = ...) -> None: ...


def vaporizer(
    state: Array,
    vapour_flow: Scalar,
    heat_input: Scalar,
    feed1_flow: Scalar,
    feed1_comp: Array,
    feed1_temp: Scalar,
    feed2_flow: Scalar,
    feed2_comp: Array,
    feed2_temp: Scalar,
    area: Scalar,
    wilson_volume: Array,
    wilson_energy: Array,
    molar_mass: Array,
    density: Array,
    enthalpy_offset: Array,
    cp_liquid_a: Array,
    cp_liquid_b: Array,
    cp_vapour_a: Array,
    cp_vapour_b: Array,
    antoine_a: Array,
    antoine_b: Array,
    antoine_c: Array,
    gas_constant: Scalar,
    density_factor: Scalar,
    temperature_offset: Scalar,
) -> ModelOutputs: ...


@overload
def vaporizer_step(
    state: Array,
    vapour_flow: Scalar,
    heat_input: Scalar,
    feed1_flow: Scalar,
    feed1_comp: Array,
    feed1_temp: Scalar,
    feed2_flow: Scalar,
    feed2_comp: Array,
    feed2_temp: Scalar,
    area: Scalar,
    wilson_volume: Array,
    wilson_energy: Array,
    molar_mass: Array,
    density: Array,
    enthalpy_offset: Array,
    cp_liquid_a: Array,
    cp_liquid_b: Array,
    cp_vapour_a: Array,
    cp_vapour_b: Array,
    antoine_a: Array,
    antoine_b: Array,
    antoine_c: Array,
    gas_constant: Scalar,
    density_factor: Scalar,
    temperature_offset: Scalar,
    interval: Scalar,
    *,
    rtol: Option = ...,
    atol: Option = ...,
    max_step: Option = ...,
    first_step: Option = ...,
    sensitivity_error_control: Optional[Union[bool, np.bool_]] = ...,
    sensitivities: Literal[False] = ...,
    parameters: None = ...,
) -> Tuple[Float64Array, np.float64, Float64Array, np.float64, np.float64, Statistics]: ...
@overload
def vaporizer_step(
    state: Array,
    vapour_flow: Scalar,
    heat_input: Scalar,
    feed1_flow: Scalar,
    feed1_comp: Array,
    feed1_temp: Scalar,
    feed2_flow: Scalar,
    feed2_comp: Array,
    feed2_temp: Scalar,
    area: Scalar,
    wilson_volume: Array,
    wilson_energy: Array,
    molar_mass: Array,
    density: Array,
    enthalpy_offset: Array,
    cp_liquid_a: Array,
    cp_liquid_b: Array,
    cp_vapour_a: Array,
    cp_vapour_b: Array,
    antoine_a: Array,
    antoine_b: Array,
    antoine_c: Array,
    gas_constant: Scalar,
    density_factor: Scalar,
    temperature_offset: Scalar,
    interval: Scalar,
    *,
    rtol: Option = ...,
    atol: Option = ...,
    max_step: Option = ...,
    first_step: Option = ...,
    sensitivity_error_control: Optional[Union[bool, np.bool_]] = ...,
    sensitivities: Literal[True],
    parameters: None = ...,
) -> Tuple[Float64Array, np.float64, Float64Array, np.float64, np.float64, Statistics,
           Float64Array, Float64Array]: ...
@overload
def vaporizer_step(
    state: Array,
    vapour_flow: Scalar,
    heat_input: Scalar,
    feed1_flow: Scalar,
    feed1_comp: Array,
    feed1_temp: Scalar,
    feed2_flow: Scalar,
    feed2_comp: Array,
    feed2_temp: Scalar,
    area: Scalar,
    wilson_volume: Array,
    wilson_energy: Array,
    molar_mass: Array,
    density: Array,
    enthalpy_offset: Array,
    cp_liquid_a: Array,
    cp_liquid_b: Array,
    cp_vapour_a: Array,
    cp_vapour_b: Array,
    antoine_a: Array,
    antoine_b: Array,
    antoine_c: Array,
    gas_constant: Scalar,
    density_factor: Scalar,
    temperature_offset: Scalar,
    interval: Scalar,
    *,
    rtol: Option = ...,
    atol: Option = ...,
    max_step: Option = ...,
    first_step: Option = ...,
    sensitivity_error_control: Optional[Union[bool, np.bool_]] = ...,
    sensitivities: Union[bool, np.bool_] = ...,
    parameters: Optional[npt.ArrayLike] = ...,
) -> Union[Tuple[Float64Array, np.float64, Float64Array, np.float64, np.float64, Statistics],
           Tuple[Float64Array, np.float64, Float64Array, np.float64, np.float64, Statistics,
                 Float64Array, Float64Array],
           Tuple[Float64Array, np.float64, Float64Array, np.float64, np.float64, Statistics,
                 Float64Array, Float64Array, Float64Array]]: ...


def vaporizer_linearize(
    state: Array,
    vapour_flow: Scalar,
    heat_input: Scalar,
    feed1_flow: Scalar,
    feed1_comp: Array,
    feed1_temp: Scalar,
    feed2_flow: Scalar,
    feed2_comp: Array,
    feed2_temp: Scalar,
    area: Scalar,
    wilson_volume: Array,
    wilson_energy: Array,
    molar_mass: Array,
    density: Array,
    enthalpy_offset: Array,
    cp_liquid_a: Array,
    cp_liquid_b: Array,
    cp_vapour_a: Array,
    cp_vapour_b: Array,
    antoine_a: Array,
    antoine_b: Array,
    antoine_c: Array,
    gas_constant: Scalar,
    density_factor: Scalar,
    temperature_offset: Scalar,
    *,
    parameters: Optional[npt.ArrayLike] = ...,
) -> Union[Tuple[Float64Array, Float64Array, Float64Array, Float64Array],
           Tuple[Float64Array, Float64Array, Float64Array, Float64Array, Float64Array,
                 Float64Array]]:
    """A (8x8), B (8x20), C (10x8), D (10x20); with parameters also E (8xP), F (10xP)."""


def Transmit(
    new_value: Scalar,
    delay_line: Array,
    lag_states: Array,
    delay_time: Scalar,
    time_constant: Scalar,
    delay_length: Scalar,
    stage_count: Scalar,
    time_step: Scalar,
    range_low: Scalar,
    range_high: Scalar,
) -> Tuple[Float64Array, Float64Array]:
    """new_delay_line, new_lag_states, shaped like the inputs they replace."""


def murtal(C: object, K: Scalar, L: Array) -> Tuple[Float64Array]:
    """(counts,): C a SciPy sparse column (any format), L the labels."""
