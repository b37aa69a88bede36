"""The Python package against the Octave modules: the same bits for the same
inputs, the same identifiers and messages for the same bad inputs, Octave's
meaning of a matrix in any memory order, and vaporizer_step in threads."""

import ast
import concurrent.futures
import pathlib
import re
import subprocess
import sys

import numpy as np
import pytest
import scipy.sparse

import mex_suite
from conftest import SOURCE


def same_bits(python, octave):
    """Equal shapes and equal bits (NaN equals NaN, 0 and -0 differ)."""
    python = np.asarray(python, dtype=float)
    octave = np.asarray(octave, dtype=float)
    return python.shape == octave.shape and np.array_equal(python.view(np.uint64),
                                                           octave.view(np.uint64))


def row(cells):
    """One row of an Octave cell array as loadmat gives it."""
    return [cell for cell in cells]


def test_vaporizer_and_its_linear_model_give_octaves_bits(octave):
    for inputs, outputs, matrices in zip(octave["vap_in"], octave["vap_out"], octave["lin_out"]):
        got = mex_suite.vaporizer(*row(inputs))
        assert len(got) == 5
        for value, expected in zip(got, outputs):
            assert same_bits(value, expected if expected.size > 1 else expected.item())
        got = mex_suite.vaporizer_linearize(*row(inputs), parameters=octave["selection"])
        assert len(got) == 6 and len(mex_suite.vaporizer_linearize(*row(inputs))) == 4
        for value, expected in zip(got, matrices):
            assert same_bits(value, expected)


def test_vaporizer_step_gives_octaves_bits(octave):
    keywords = ("rtol", "atol", "max_step", "first_step")
    for inputs, interval, options, outputs in zip(octave["step_in"], octave["step_interval"],
                                                  octave["step_options"], octave["step_out"]):
        given = dict(zip(keywords, options))  # an empty one is not set, as in Octave
        state, level, y, T, P, stats = mex_suite.vaporizer_step(*row(inputs), interval.item(),
                                                                **given)
        for value, expected in zip((state, level, y, T, P), outputs):
            assert same_bits(value, expected if expected.size > 1 else expected.item())
        assert list(stats.values()) == list(outputs[5].ravel())
    expected = octave["sens_out"][0]
    got = mex_suite.vaporizer_step(*row(octave["step_in"][0]), octave["step_interval"][0].item(),
                                   parameters=octave["selection"])
    assert len(got) == 9 and list(got[5].values()) == list(expected[5].ravel())
    assert len(mex_suite.vaporizer_step(*row(octave["step_in"][0]), 2.0, sensitivities=True)) == 8
    for value, wanted in zip(got[:5] + got[6:], list(expected[:5]) + list(expected[6:])):
        assert same_bits(value, wanted if wanted.size > 1 else wanted.item())


def test_transmit_gives_octaves_bits(octave):
    for inputs, outputs in zip(octave["tr_in"], octave["tr_out"]):
        line, lags = mex_suite.Transmit(*row(inputs))
        assert same_bits(line, outputs[0]) and same_bits(lags, outputs[1].reshape(lags.shape))


def test_murtal_gives_octaves_bits_in_any_sparse_format(octave):
    for (C, K, L), (counts,) in zip(octave["mu_in"], octave["mu_out"]):
        for form in (C, C.tocoo(), C.tocsr(), scipy.sparse.csc_array(C)):
            assert same_bits(mex_suite.murtal(form, K, L)[0], counts)
    wide = octave["mu_in"][0, 0].copy()
    wide.indices = wide.indices.astype(np.int64)
    wide.indptr = wide.indptr.astype(np.int64)
    assert same_bits(mex_suite.murtal(wide, *octave["mu_in"][0, 1:])[0], octave["mu_out"][0, 0])
    # A 1-by-1 sparse K whose two stored entries SciPy sums reads as their sum.
    C, K, L = octave["mu_in"][0]
    split = scipy.sparse.csc_matrix(([K.item() - 1, 1.0], [0, 0], [0, 2]), shape=(1, 1))
    assert same_bits(mex_suite.murtal(C, split, L)[0], octave["mu_out"][0, 0])


# Sparse inputs whose arrays contradict each other: the 5-by-1 column with
# stored rows 1, 2 and 4 in a format, one array replaced, and how the message
# of murtal:badSparse ends.
BROKEN_SPARSE = [
    ("csc", "indptr", np.array([0, -1], np.int32),
     "column pointer 1 (-1) below the one before it (0)"),
    ("csc", "indptr", np.array([0, 4], np.int32),
     "a last column pointer (4) beyond its 3 row indices"),
    ("csc", "indptr", np.array([2, 3]), "column pointer 0 equal to 2, not 0"),
    ("csc", "indptr", np.array([0, 3, 3], np.int32), "3 column pointers; its 1 columns need 2"),
    ("csc", "indices", np.array([1, 2, 5], np.int32),
     "row index 5 at stored entry 2, outside [0, 5)"),
    ("csc", "indices", np.array([1, -2, 4]), "row index -2 at stored entry 1, outside [0, 5)"),
    ("csc", "indices", np.array([1.0, 2, 4]), "index arrays that are not 1-D arrays of integers"),
    ("csc", "data", np.ones(2), "3 row indices but 2 values"),
    ("csr", "indices", np.array([0, 0, 1], np.int32),
     "column index 1 at stored entry 2, outside [0, 1)"),
    ("csr", "indptr", np.array([0, 0, 1, 9, 2, 3], np.int32),
     "row pointer 4 (2) below the one before it (9)"),
    ("coo", "row", np.array([1, 2, 5]), "row index 5 at stored entry 2, outside [0, 5)"),
]


def test_murtal_refuses_a_broken_sparse_structure_before_reading_it():
    labels = np.array([3, 1, 2.9, 0, 1])
    for form, name, array, message in BROKEN_SPARSE:
        C = scipy.sparse.csc_matrix(([1.0, 1, 1], [1, 2, 4], [0, 3]), shape=(5, 1)).asformat(form)
        setattr(C, name, array)
        with pytest.raises(mex_suite.Error) as raised:
            mex_suite.murtal(C, 3, labels)
        assert (raised.value.identifier, str(raised.value)) == (
            "murtal:badSparse", "input 1 (C) is a sparse matrix that has " + message)
        assert getattr(C, name) is array  # the input is left as it was
    K = scipy.sparse.csc_matrix([[3.0]])
    K.indptr = np.array([0, 2], np.int32)
    with pytest.raises(mex_suite.Error, match="^input 2 [(]K[)] is a sparse matrix that has a l"):
        mex_suite.murtal(scipy.sparse.csc_matrix([[0.0], [1]]), K, [1, 1])


def bad_calls(octave):
    """The bad calls of octave_cases.m, made from the same inputs."""
    base = row(octave["base"][0])
    dry = row(octave["step_in"][0])
    dry[0] = base[0]
    dry[1], dry[2], dry[6] = 30, 30 * 31, base[6] / 1.2
    t = [0.7, np.ones(4), np.ones(2), 6, 5, 4, 2, 2, 0, 2]

    def with_(inputs, k, value):
        inputs = list(inputs)
        inputs[k - 1] = value
        return inputs

    v, step, tr, mu = (mex_suite.vaporizer, mex_suite.vaporizer_step, mex_suite.Transmit,
                       mex_suite.murtal)
    return {
        "vaporizer_feed1_comp_not_numbers": lambda: v(*with_(base, 5, [None])),
        "vaporizer_vapour_flow_empty": lambda: v(*with_(base, 2, np.empty(0))),
        "vaporizer_wilson_volume_short": lambda: v(*with_(base, 11, np.ones(48))),
        "vaporizer_density_sparse": lambda: v(*with_(base, 14, scipy.sparse.csc_matrix(base[13]))),
        "step_interval_negative": lambda: step(*base, -1),
        "step_rtol_negative": lambda: step(*base, 2, rtol=-1),
        "step_atol_three": lambda: step(*base, 2, atol=[1, 2, 3]),
        "step_max_step_tiny": lambda: step(*base, 2, max_step=1e-20),
        "step_interval_true": lambda: step(*base, True),
        "step_rtol_true": lambda: step(*base, 2, rtol=True),
        "step_atol_true": lambda: step(*base, 2, atol=True),
        "step_atol_int": lambda: step(*base, 2, atol=np.ones(8, np.int64)),
        "step_atol_logical": lambda: step(*base, 2, atol=[True] * 8),
        "step_atol_single": lambda: step(*base, 2, atol=np.full(8, 1e-9, np.float32)),
        "vaporizer_feed1_comp_int": lambda: v(*with_(base, 5, np.array([0, 0, 0, 1, 0, 0, 0]))),
        "linearize_state_single": lambda: mex_suite.vaporizer_linearize(
            *with_(base, 1, base[0].astype(np.float32))),
        "linearize_parameters_element": lambda: mex_suite.vaporizer_linearize(
            *base, parameters=[[12, 2], [16, 8]]),
        "step_parameters_position": lambda: step(*base, 2, parameters=np.array([[9.5, 1]])),
        "step_runs_dry": lambda: step(*dry, 3000),
        "transmit_delay_length_long": lambda: tr(*with_(t, 6, 9)),
        "transmit_stage_count_nan": lambda: tr(*with_(t, 7, float("nan"))),
        "transmit_line_not_numbers": lambda: tr(*with_(t, 2, "line")),
        "murtal_dense": lambda: mu(np.array([[0.0], [1], [1]]), 3, [1, 2, 3]),
        "murtal_two_columns": lambda: mu(scipy.sparse.csc_matrix(np.ones((3, 2))), 3, [1, 2, 3]),
        "murtal_negative_k": lambda: mu(scipy.sparse.csc_matrix([[0.0], [1], [1]]), -1, [1, 2, 3]),
        "murtal_bad_label": lambda: mu(scipy.sparse.csc_matrix([[0.0], [1], [1]]), 3, [1, 2, 4]),
        "murtal_short_labels": lambda: mu(scipy.sparse.csc_matrix([[0.0], [1], [1]]), 3, [1, 2]),
        "murtal_logical_labels": lambda: mu(scipy.sparse.csc_matrix([[0.0], [1], [1]]), 3,
                                            [True] * 3),
        "transmit_line_single": lambda: tr(*with_(t, 2, np.ones(4, np.float32))),
    }


def test_bad_inputs_raise_octaves_identifier_and_message(octave):
    calls = bad_calls(octave)
    assert len(calls) == len(octave["errors"])
    for name, identifier, message in octave["errors"]:
        with pytest.raises(mex_suite.Error) as raised:
            calls[name.item()]()
        expected = (identifier.item() if identifier.size else "", message.item())
        assert (raised.value.identifier, str(raised.value)) == expected, name.item()
        assert isinstance(raised.value, ValueError)


def test_a_call_that_matches_no_parameters_gets_a_short_type_error(octave):
    base = row(octave["base"][0])
    step, v, mu = mex_suite.vaporizer_step, mex_suite.vaporizer, mex_suite.murtal
    keywords = ("its keywords are rtol, atol, max_step, first_step, sensitivity_error_control, "
                "sensitivities and parameters")
    unexpected = "vaporizer_step() got an unexpected keyword argument "
    python_name = "; the Python name of "
    calls = [
        (lambda: step(*base, 2, RelTol=1e-6),
         unexpected + "'RelTol'" + python_name + "RelTol is rtol"),
        (lambda: step(*base, 2, AbsTol=1),
         unexpected + "'AbsTol'" + python_name + "AbsTol is atol"),
        (lambda: step(*base, 2, MaxStep=1),
         unexpected + "'MaxStep'" + python_name + "MaxStep is max_step"),
        (lambda: step(*base, 2, initialstep=1),
         unexpected + "'initialstep'" + python_name + "InitialStep is first_step"),
        (lambda: step(*base, 2, max_steps=1), unexpected + "'max_steps'; did you mean 'max_step'?"),
        (lambda: step(*base, 2, options={}), unexpected + "'options'; " + keywords),
        (lambda: step(*base, 2, sensitivities="yes"),
         "vaporizer_step() keyword sensitivities must be True or False, not str"),
        (lambda: step(*base, 2, sensitivities=1),
         "vaporizer_step() keyword sensitivities must be True or False, not int"),
        (lambda: step(*base, 2, {}),
         "vaporizer_step() takes 26 positional arguments but 27 were given; " + keywords),
        (lambda: step(*base), "vaporizer_step() missing 1 required argument: 'interval'"),
        (lambda: v(*base[1:], state=base[0]),
         "vaporizer() got multiple values for argument 'state'"),
        (lambda: v(*base, RelTol=1e-6), "vaporizer() got an unexpected keyword argument 'RelTol'"),
        (lambda: mu(c=1, K=2, L=3),
         "murtal() got an unexpected keyword argument 'c'; did you mean 'C'?"),
        (lambda: mu(1), "murtal() missing 2 required arguments: 'K', 'L'"),
    ]
    for call, message in calls:
        with pytest.raises(TypeError) as raised:
            call()
        assert str(raised.value) == message


def test_each_class_is_refused_or_accepted_as_in_octave(octave):
    """Every input of the five functions as single, int32, logical, complex or
    sparse: the same first output or the same error as in Octave."""
    calls = {name.item(): row(args[0]) for name, args in octave["class_calls"]}
    text = lambda cell: cell.item() if cell.size else ""  # noqa: E731
    keywords = ("rtol", "atol", "max_step", "first_step")
    for name, position, kind, value, output, identifier, message in octave["class_cases"]:
        args = list(calls[name.item()])
        position = int(position.item())
        args[position - 1] = value.astype(bool) if kind.item() == "logical" else value
        options = dict(zip(keywords, args[26:]))
        try:
            got = getattr(mex_suite, name.item())(*args[:26], **options)[0]
        except mex_suite.Error as error:
            got = (error.identifier, str(error))
        case = f"{name.item()} input {position} as {kind.item()}"
        if text(identifier) or text(message):
            assert isinstance(got, tuple) and got == (text(identifier), text(message)), case
        else:
            assert same_bits(got, output if output.size > 1 else output.item()), case


def test_matrices_mean_what_they_mean_in_octave(octave):
    inputs = row(octave["vap_in"][0])
    expected = octave["vap_out"][0]
    W = inputs[10]
    assert not np.array_equal(W, W.T)
    for form in (np.ascontiguousarray(W), np.asfortranarray(W), W.ravel(order="F")):
        inputs[10] = form
        assert same_bits(mex_suite.vaporizer(*inputs)[4], expected[4].item())
    inputs[10] = W.T  # read as Octave's W' it is another mixture
    assert not same_bits(mex_suite.vaporizer(*inputs)[4], expected[4].item())
    # A 1-D state gives 1-D derivatives and a 1-D end state.
    inputs[10] = W
    inputs[0] = inputs[0].ravel()
    assert mex_suite.vaporizer(*inputs)[0].shape == (8,)
    assert mex_suite.vaporizer_step(*inputs, 1.0)[0].shape == (8,)


def test_two_threads_give_the_bits_of_one(octave):
    runs = [(row(inputs), 60.0 + k) for k, inputs in enumerate(octave["step_in"])] * 4
    one = [mex_suite.vaporizer_step(*inputs, interval)[0] for inputs, interval in runs]
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        two = list(pool.map(lambda run: mex_suite.vaporizer_step(*run[0], run[1])[0], runs))
    assert all(same_bits(a, b) for a, b in zip(one, two))


def test_the_example_port_gives_the_octave_examples_bits(octave):
    sys.path.insert(0, str(SOURCE / "examples" / "python"))
    import vaporizer_plant
    p = vaporizer_plant.cyclohexane_vaporizer_parameters()
    expected = octave["example_parameters"][0, 0]
    for name in expected.dtype.names:
        assert same_bits(np.ravel(getattr(p, name)), np.ravel(expected[name])), name
    rest = {"state": octave["rest_state"].ravel(), "heat": octave["rest_heat"].item(),
            "vapour": octave["rest_vapour"].item()}
    found = vaporizer_plant.vaporizer_steady_state(p, 1.0, 100.0)
    assert all(same_bits(a, b)
               for a, b in zip(found, (rest["state"], rest["heat"], rest["vapour"])))
    run = vaporizer_plant.level_control_loop(p, rest, horizon=600.0, feed_step=0.3,
                                             gain_factor=(1.5, 0.5))
    for name in ("states", "measured", "manipulated"):
        assert same_bits(run[name], octave["loop_" + name]), name


def test_a_failed_import_names_the_interpreter_the_extension_is_built_for():
    from mex_suite._built_for import INTERPRETER
    run = subprocess.run([sys.executable, "-c", "import sys; sys.modules['numpy'] = None; "
                          "import mex_suite"], capture_output=True, text=True)
    message = run.stderr.strip().splitlines()[-1]
    assert message.startswith(f"ImportError: mex_suite's extension is built for {INTERPRETER} ")
    assert f"this is {sys.executable} " in message and "import of numpy halted" in message


def test_the_type_stubs_name_the_extensions_parameters():
    """The stubs installed beside the extension: each function's positional
    parameters and keywords as the extension's own tables give them, which its
    messages for a call without arguments and with one too many name."""
    package = pathlib.Path(mex_suite.__file__).parent
    assert (package / "py.typed").is_file()
    stub = ast.parse((package / "__init__.pyi").read_text())
    declared = {}
    for node in stub.body:
        if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            declared.setdefault(node.name, []).append(node)
    assert sorted(declared) == sorted(mex_suite.__all__)
    assert [n.id for n in declared.pop("Error")[0].bases] == ["ValueError"]
    for name, overloads in declared.items():
        function = getattr(mex_suite, name)
        with pytest.raises(TypeError) as missing:
            function()
        positional = re.findall(r"'(\w+)'", str(missing.value))
        with pytest.raises(TypeError) as surplus:
            function(*[0] * (len(positional) + 1))
        assert f"takes {len(positional)} positional" in str(surplus.value)
        keywords = re.split(r", | and ", str(surplus.value).partition("its keywords are ")[2])
        for node in overloads:
            assert [a.arg for a in node.args.args] == positional, name
            assert [a.arg for a in node.args.kwonlyargs] == [k for k in keywords if k], name
