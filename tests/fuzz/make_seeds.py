#!/usr/bin/env python3
"""Writes the seed corpus of the gateway fuzz targets (corpus/<module>/).

Each seed is one call in the byte layout that fuzzed_call.h describes: a few
correct calls per gateway and one near miss each, from which the fuzzer
mutates its way into every other class, shape and value.
"""
import math
import os
import struct

SPECIALS = [0.0, 1.0, -1.0, math.nan, math.inf, -math.inf, 0.5, -0.5, 2.9, 1.0e-4,
            2147483647.0, 2147483648.0, -2147483648.0, -2147483649.0]
DOUBLE, SPARSE = 0, 6 * 32


def value(v):
    for k, s in enumerate(SPECIALS):
        if (math.isnan(v) and math.isnan(s)) or v == s:
            return bytes([k])
    whole, quarter = math.floor(v), (v - math.floor(v)) / 0.25
    if -8 <= whole <= 47 and quarter == int(quarter):
        return bytes([16 + int(quarter) * 56 + whole + 8])
    return bytes([240]) + struct.pack('<d', v)


def dense(rows, columns, values, kind=DOUBLE):
    if rows == 1 and columns == 1:
        shape = bytes([1, 0])
    elif rows == 1:
        shape = bytes([2, columns])
    elif columns == 1:
        shape = bytes([3, rows])
    else:
        shape = bytes([4, (rows - 1) + 12 * (columns - 1)])
    assert len(values) == rows * columns
    return bytes([kind]) + shape + b''.join(value(v) for v in values)


def empty():
    return bytes([DOUBLE, 0, 0])


def scalar(v):
    return dense(1, 1, [v])


def sparse_column(rows, stored):
    masks = bytearray((rows + 7) // 8)
    for r in stored:
        masks[r // 8] |= 1 << (r % 8)
    return bytes([SPARSE, 3, rows]) + bytes(masks)


def call(inputs, nrhs=None, nlhs=None):
    head = bytes([0 if nrhs is None else 224 + nrhs, 0 if nlhs is None else 224 + nlhs])
    return head + b''.join(inputs)


def column(values):
    return dense(len(values), 1, values)


def vaporizer_inputs(state_shape=(8, 1)):
    comp = [0.25, 0.25, 0.125, 0.125, 0.125, 0.0625, 0.0625]
    state = [0.25, 0.25, 0.125, 0.125, 0.125, 0.0625, 1.5, 80.0]
    wilson = [1.0 if i == j else 0.75 for i in range(7) for j in range(7)]
    return [
        dense(*state_shape, state), scalar(2.0), scalar(40.0),
        scalar(1.0), column(comp), scalar(25.0),
        scalar(0.5), dense(1, 7, comp), scalar(30.0), scalar(1.5),
        dense(7, 7, wilson), dense(7, 7, [0.0] * 49),
        column([46.0, 18.0, 32.0, 60.0, 74.0, 88.0, 102.0]), column([789.0] * 7),
        column([40.0] * 7), column([2.5] * 7), column([0.0] * 7),
        column([1.5] * 7), column([0.0] * 7),
        column([16.5] * 7), column([3800.0] * 7), column([-45.0] * 7),
        scalar(8.314), scalar(1000.0), scalar(273.15)]


def vaporizer_call(state_shape=(8, 1)):
    return call(vaporizer_inputs(state_shape))


def transmit_call(delay_time=1.0, time_constant=2.0, length=3, stages=2):
    return call([scalar(0.5), dense(1, 5, [0.25, 0.5, 0.75, 1.0, 0.0]), column([0.25, 0.5, 0.75]),
                 scalar(delay_time), scalar(time_constant), scalar(length), scalar(stages),
                 scalar(0.1), scalar(0.0), scalar(4.0)])


SEEDS = {
    'murtal': {
        'counts': call([sparse_column(5, [1, 2, 4]), scalar(3.0), column([3, 1, 2.9, 0, 1])]),
        'no_entries': call([sparse_column(4, []), scalar(2.0), column([])]),
        'invalid_label': call([sparse_column(3, [0, 2]), scalar(2.0), dense(1, 3, [1, 5, 3])]),
        'too_many_outputs': call([sparse_column(2, [0]), scalar(1.0), column([1, 1])], nlhs=2),
    },
    'vaporizer': {
        'column_state': vaporizer_call(),
        'row_state': vaporizer_call((1, 8)),
        'too_few_inputs': call([scalar(1.0)] * 24, nrhs=24),
    },
    'vaporizer_linearize': {
        'all_four': call(vaporizer_inputs(), nlhs=4),
        'state_alone': call(vaporizer_inputs((1, 8)), nlhs=1),
        'by_parameters': call(vaporizer_inputs() + [dense(3, 2, [12, 20, 25, 49, 7, 1])],
                              nrhs=26, nlhs=6),
    },
    'vaporizer_step': {
        'one_interval': call(vaporizer_inputs() + [scalar(0.5)]),
        'state_sensitivity': call(vaporizer_inputs() + [scalar(0.5)], nlhs=7),
        'zero_interval_row': call(vaporizer_inputs((1, 8)) + [scalar(0.0)], nlhs=3),
        'empty_options': call(vaporizer_inputs() + [scalar(2.0), empty()], nrhs=27),
        'by_parameters': call(vaporizer_inputs() + [scalar(0.5), empty(),
                                                    dense(2, 2, [16, 10, 3, 1])], nrhs=28, nlhs=9),
    },
    'Transmit': {
        'advancing': transmit_call(),
        'bypassed_lags': transmit_call(delay_time=0.0, time_constant=1.0e-4, length=1, stages=3),
        'no_stages': transmit_call(length=5, stages=0),
        'one_output': call([scalar(1.0)] * 10, nlhs=1),
    },
}

if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    for module, seeds in SEEDS.items():
        directory = os.path.join(here, 'corpus', module)
        os.makedirs(directory, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(directory, name), 'wb') as f:
                f.write(data)
