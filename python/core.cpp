// mex_suite._core: vaporizer, vaporizer_step, vaporizer_linearize, Transmit
// and murtal for Python, around the same host-free core as the MEX modules. This file only
// converts: NumPy and SciPy arrays in (python_host.h), the core's checks and
// computations, NumPy arrays out, and a failing check's Failure raised as
// mex_suite.Error with the identifier and the message the MEX module gives.
//
// Outputs take the shapes the MEX modules give them: a state or a line
// shaped like the input it replaces, filled in column-major order as
// Octave fills its M-by-N arrays; scalars as numpy.float64.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "floating_point_environment.h"
#include "linearize_interface.h"
#include "model_jacobian.h"
#include "murtal_arguments.h"
#include "python_host.h"
#include "refused_calls.h"
#include "step_interface.h"
#include "step_vaporizer.h"
#include "transmission_update.h"
#include "transmit_arguments.h"
#include "vaporizer_arguments.h"

namespace py = pybind11;
using python_host::Argument;
using python_host::PythonHost;
using Fixed = floating_point_environment::FixedEnvironment;

namespace {

// Set when the module is imported; held for the interpreter's lifetime.
PyObject *error_type = nullptr;     // mex_suite.Error
PyObject *float64_type = nullptr;   // numpy.float64
PyObject *bool_type = nullptr;      // numpy.bool_

[[noreturn]] void raise(const argument_checks::Failure &failure)
{
    py::object error = py::reinterpret_borrow<py::object>(error_type)(failure.message,
                                                                       failure.identifier);
    PyErr_SetObject(error_type, error.ptr());
    throw py::error_already_set();
}

// Runs a body of checks and computation; a Failure becomes mex_suite.Error
// once the body's scope, with every array it made, is gone.
template <class Body>
py::tuple checked(Body &&body)
{
    argument_checks::Failure failure;
    try {
        return body();
    } catch (const argument_checks::Failure &thrown) {
        failure = thrown;
    }
    raise(failure);
}

py::object number(double value)
{
    return py::reinterpret_borrow<py::object>(float64_type)(value);
}

using Output = py::array_t<double, py::array::f_style>;

// A new array of zeros with the shape of an input, as mxCreateDoubleMatrix
// makes one with its rows and columns.
Output zeros_like(const Argument &input)
{
    Output out(input.shape);
    std::fill_n(out.mutable_data(), out.size(), 0.0);
    return out;
}

// A new array of zeros as a module's table describes an output: shaped like
// an input, a fixed matrix, or a column per parameter of a selection of
// that many (scalars are numbers, made where computed).
Output output_for(const module_interface::Output &entry, const Argument *inputs,
                  std::size_t parameters = 0)
{
    if (entry.shape == module_interface::Shape::LikeInput)
        return zeros_like(inputs[entry.input]);
    const py::ssize_t columns = entry.shape == module_interface::Shape::PerParameter
                                    ? static_cast<py::ssize_t>(parameters)
                                    : entry.columns;
    Output out(std::vector<py::ssize_t>{entry.rows, columns});
    std::fill_n(out.mutable_data(), out.size(), 0.0);
    return out;
}

// Refuses a sparse input whose structure is not consistent (python_host.h),
// naming it, before anything reads its indices; field names an option.
void refuse_broken_sparse(const Argument &a, const argument_checks::InputName &input,
                          const char *field = nullptr)
{
    if (a.fault.empty())
        return;
    if (field != nullptr)
        argument_checks::reject(input, "badSparse", "field %s is a sparse matrix that %s", field,
                                a.fault.c_str());
    argument_checks::reject(input, "badSparse", "is a sparse matrix that %s", a.fault.c_str());
}

template <std::size_t N>
using Names = std::array<const char *, N>;

// A call's inputs converted, and the pointers the core's readers take.
template <std::size_t N>
struct Converted {
    Argument arguments[N];
    const Argument *inputs[N];
    Converted(const py::handle (&objects)[N], const char *module, const Names<N> &names)
    {
        for (std::size_t k = 0; k < N; ++k) {
            python_host::convert(objects[k], arguments[k]);
            refuse_broken_sparse(arguments[k], {module, static_cast<int>(k) + 1, names[k]});
            inputs[k] = &arguments[k];
        }
    }
};

constexpr int model_inputs = vaporizer_arguments::MODEL_INPUT_COUNT;

// A parameter selection (None: none) converted, for reading once the inputs
// before it are read.
struct Selection {
    Argument argument;
    bool given;
    Selection(py::handle object, const argument_checks::InputName &name)
        : given(!object.is_none())
    {
        if (!given)
            return;
        python_host::convert(object, argument);
        refuse_broken_sparse(argument, name);
    }
    parameter_selection::ParameterSelection read(const Argument *const *inputs,
                                                 const argument_checks::InputName &name) const
    {
        // Without one, none is read and the rows stay as they are, unread.
        parameter_selection::ParameterSelection none;
        if (!given)
            return none;
        return parameter_selection::read_selection<PythonHost>(&argument, inputs, name);
    }
};

// The inputs' names, from the tables the checks read.
constexpr const char *name_of(const vaporizer_arguments::InputKind &input) { return input.name; }
constexpr const char *name_of(const argument_checks::InputName *input) { return input->name; }
template <class Table, std::size_t... I>
constexpr Names<sizeof...(I)> names_of(const Table &table, std::index_sequence<I...>)
{
    return {name_of(table[I])...};
}
constexpr Names<model_inputs> model_input_names =
    names_of(vaporizer_arguments::model_inputs, std::make_index_sequence<model_inputs>());
constexpr int transmit_inputs = transmit_arguments::INPUT_COUNT;
constexpr Names<transmit_inputs> transmit_input_names =
    names_of(transmit_arguments::inputs, std::make_index_sequence<transmit_inputs>());

py::tuple vaporizer(const py::handle (&objects)[model_inputs])
{
    using namespace vaporizer_arguments;
    return checked([&] {
        const Converted<model_inputs> call(objects, "vaporizer", model_input_names);
        const ModelInputs in = read_model_inputs<PythonHost>(call.inputs, "vaporizer");
        Output derivatives = output_for(model_outputs[OUT_DERIVATIVES], call.arguments);
        Output vapour_comp = output_for(model_outputs[OUT_VAPOUR_COMP], call.arguments);
        double level, temperature, pressure;
        {
            const Fixed fixed_fpu;  // whatever the caller set
            evaluate_model(in, in.arrays[IN_STATE], derivatives.mutable_data(), &level,
                           vapour_comp.mutable_data(), &temperature, &pressure);
        }
        return py::make_tuple(derivatives, number(level), vapour_comp, number(temperature),
                              number(pressure));
    });
}

// The keyword options, by their Python names in step_interface's table.
constexpr int option_count = step_interface::OPTION_COUNT;

py::dict statistics_dict(const interval_integration::Statistics &s)
{
    py::dict stats;
    for (const step_interface::StatisticField &field : step_interface::statistics)
        stats[field.name] = s.*field.count;
    return stats;
}


py::tuple vaporizer_step(const py::handle (&objects)[model_inputs], py::handle interval_object,
                         const py::handle (&option_objects)[option_count], bool sensitivities,
                         py::handle parameters_object)
{
    using namespace vaporizer_arguments;
    return checked([&] {
        const Converted<model_inputs> call(objects, step_vaporizer::module, model_input_names);
        Argument interval_argument;
        python_host::convert(interval_object, interval_argument);
        refuse_broken_sparse(interval_argument, step_vaporizer::input_interval);
        // None leaves an option at its default, and so does an empty value,
        // as an empty field of Octave's options does.
        Argument option_arguments[option_count];
        for (int k = 0; k < option_count; ++k)
            if (!option_objects[k].is_none()) {
                python_host::convert(option_objects[k], option_arguments[k]);
                refuse_broken_sparse(option_arguments[k], step_settings::input_options,
                                     step_interface::options[k].mex);
            }
        const Selection parameters(parameters_object, step_vaporizer::input_parameters);

        const ModelInputs in = read_model_inputs<PythonHost>(call.inputs, step_vaporizer::module);
        const double interval = step_vaporizer::read_interval<PythonHost>(&interval_argument);
        step_settings::StepOptions options;
        for (int k = 0; k < option_count; ++k)
            if (!option_objects[k].is_none() && option_arguments[k].count > 0)
                step_settings::set_option<PythonHost>(
                    &option_arguments[k], static_cast<step_settings::Option>(k), options);
        const parameter_selection::ParameterSelection selection =
            parameters.read(call.inputs, step_vaporizer::input_parameters);

        // The integration needs nothing from the interpreter: other threads
        // run while it computes. Its Failure is raised with the GIL held.
        // A selection brings all three sensitivities, as output 9 does.
        step_vaporizer::StepRequest request;
        request.end_outputs = true;
        request.state_sensitivity = request.input_sensitivity = sensitivities || parameters.given;
        if (parameters.given)
            request.parameters = &selection;
        step_vaporizer::StepEnd end;
        {
            py::gil_scoped_release release;
            end = step_vaporizer::advance(in, interval, options, request);
        }

        // The outputs as the table makes them, all but the sensitivities
        // unless they were asked for; the end state's elements past the 8th
        // are the input's own.
        const int count = parameters.given ? step_interface::OUTPUT_COUNT
                          : sensitivities  ? step_interface::OUT_PARAMETER_SENSITIVITY
                                           : step_interface::OUT_STATE_SENSITIVITY;
        py::tuple results(count);
        for (int k = 0; k < count; ++k) {
            if (k == step_interface::OUT_STATS) {
                results[k] = statistics_dict(end.statistics);
                continue;
            }
            std::size_t values = 0;
            const double *computed = step_vaporizer::end_values(end, k, &values);
            const module_interface::Output &entry = step_interface::outputs[k];
            if (entry.shape == module_interface::Shape::Scalar) {
                results[k] = number(*computed);
                continue;
            }
            Output out = output_for(entry, call.arguments, selection.count);
            if (k == step_interface::OUT_STATE)
                std::memcpy(out.mutable_data(), call.arguments[IN_STATE].data,
                            call.arguments[IN_STATE].count * sizeof(double));
            std::memcpy(out.mutable_data(), computed, values * sizeof(double));
            results[k] = out;
        }
        return results;
    });
}

py::tuple vaporizer_linearize(const py::handle (&objects)[model_inputs],
                              py::handle parameters_object)
{
    using namespace vaporizer_arguments;
    return checked([&] {
        namespace out = linearize_interface;
        const Converted<model_inputs> call(objects, "vaporizer_linearize", model_input_names);
        const Selection parameters(parameters_object, out::input_parameters);
        const ModelInputs in = read_model_inputs<PythonHost>(call.inputs, "vaporizer_linearize");
        const parameter_selection::ParameterSelection selection =
            parameters.read(call.inputs, out::input_parameters);
        const int count = parameters.given ? out::OUTPUT_COUNT : out::OUT_E;
        std::vector<Output> matrices;
        vaporizer_model::Linearisation wanted;
        for (int k = 0; k < count; ++k) {
            matrices.push_back(output_for(out::outputs[k], call.arguments, selection.count));
            out::slot(wanted, k) = matrices.back().mutable_data();
        }
        {
            py::gil_scoped_release release;
            const Fixed fixed_fpu;
            vaporizer_model::vaporizer_jacobians(wanted, in.arrays[IN_STATE], in, &selection);
        }
        py::tuple results(count);
        for (int k = 0; k < count; ++k)
            results[k] = matrices[k];
        return results;
    });
}

py::tuple transmit(const py::handle (&objects)[transmit_inputs])
{
    using namespace transmit_arguments;
    return checked([&] {
        const Converted<transmit_inputs> call(objects, "Transmit", transmit_input_names);
        const TransmitInputs in = read_transmit_inputs<PythonHost>(call.inputs);
        Output line = output_for(outputs[OUT_DELAY_LINE], call.arguments);
        Output lags = output_for(outputs[OUT_LAG_STATES], call.arguments);
        {
            const Fixed fixed_fpu;
            transmission_update(line.mutable_data(), lags.mutable_data(), in.new_value,
                                in.delay_line, in.lag_states, in.delay_time, in.time_constant,
                                in.delay_length, in.stage_count, in.time_step, in.range_low,
                                in.range_high);
        }
        return py::make_tuple(line, lags);
    });
}

constexpr int murtal_inputs = murtal_arguments::INPUT_COUNT;
constexpr Names<murtal_inputs> murtal_input_names =
    names_of(murtal_arguments::inputs, std::make_index_sequence<murtal_inputs>());

// The counts as a K-by-1 column, as in Octave. Python passes exactly three
// inputs for one result.
template <class Host>
py::tuple count_with(const Argument *const (&inputs)[murtal_inputs])
{
    const auto in = murtal_arguments::read_murtal_inputs<Host>(1, murtal_inputs, inputs);
    Output counts(std::vector<py::ssize_t>{in.cluster_count, 1});
    std::fill_n(counts.mutable_data(), counts.size(), 0.0);
    murtal_arguments::count_clusters(in, counts.mutable_data());
    return py::make_tuple(counts);
}

py::tuple murtal(const py::handle (&objects)[murtal_inputs])
{
    return checked([&] {
        // A sparse C is read only once its structure is known to be sound.
        const Converted<murtal_inputs> call(objects, "murtal", murtal_input_names);
        // SciPy keeps the indices of small arrays in 32 bits and of large
        // ones in 64; the count reads either as it is.
        const Argument &column = call.arguments[murtal_arguments::IN_C];
        if (column.sparse && !column.wide_indices)
            return count_with<python_host::PythonHost32>(call.inputs);
        return count_with<PythonHost>(call.inputs);
    });
}

// Defines a function and, after it, the overload that explains a call
// matching none of its parameters.
template <class Function, class... Extra>
void define(py::module_ &m, const char *name, Function &&function, const char *doc,
            refused_calls::Parameters parameters, const Extra &...extra)
{
    m.def(name, std::forward<Function>(function), doc, extra...);
    m.def(name, [parameters](const py::args &args, const py::kwargs &kwargs) -> py::tuple {
        refused_calls::refuse_call(parameters, args, kwargs);
    });
}

template <std::size_t N>
std::vector<std::string> listed(const Names<N> &names)
{
    return {names.begin(), names.end()};
}

// One positional-or-keyword parameter per input, named as in the help files.
template <std::size_t>
using Handle = py::object;

template <std::size_t... I>
void define_vaporizer(py::module_ &m, const char *doc, std::index_sequence<I...>)
{
    define(
        m, "vaporizer", [](Handle<I>... inputs) { return vaporizer({inputs...}); }, doc,
        {"vaporizer", listed(model_input_names), {}}, py::arg(model_input_names[I])...);
}

// sensitivities is True or False (or NumPy's bool): a value that only
// converts to one, 'yes' or 1, is refused.
bool sensitivities_flag(py::handle value)
{
    if (!PyBool_Check(value.ptr()) && !py::isinstance(value, bool_type))
        throw py::type_error(std::string("vaporizer_step() keyword sensitivities must be True or "
                                         "False, not ") +
                             Py_TYPE(value.ptr())->tp_name);
    return PyObject_IsTrue(value.ptr()) == 1;
}

template <std::size_t... I>
void define_vaporizer_step(py::module_ &m, const char *doc, std::index_sequence<I...>)
{
    std::vector<std::string> positional = listed(model_input_names);
    positional.push_back("interval");
    std::vector<std::string> keywords;
    for (const step_interface::OptionName &option : step_interface::options)
        keywords.push_back(option.python);
    keywords.push_back("sensitivities");
    keywords.push_back("parameters");
    define(
        m, "vaporizer_step",
        [](Handle<I>... inputs, py::object interval, py::object rtol, py::object atol,
           py::object max_step, py::object first_step, py::object sensitivity_error_control,
           py::object sensitivities, py::object parameters) {
            return vaporizer_step({inputs...}, interval,
                                  {rtol, atol, max_step, first_step, sensitivity_error_control},
                                  sensitivities_flag(sensitivities), parameters);
        },
        doc, {"vaporizer_step", positional, keywords}, py::arg(model_input_names[I])...,
        py::arg("interval"), py::kw_only(),
        py::arg(step_interface::options[0].python) = py::none(),
        py::arg(step_interface::options[1].python) = py::none(),
        py::arg(step_interface::options[2].python) = py::none(),
        py::arg(step_interface::options[3].python) = py::none(),
        py::arg(step_interface::options[4].python) = py::none(),
        py::arg("sensitivities") = false, py::arg("parameters") = py::none());
}

template <std::size_t... I>
void define_vaporizer_linearize(py::module_ &m, const char *doc, std::index_sequence<I...>)
{
    define(
        m, "vaporizer_linearize",
        [](Handle<I>... inputs, py::object parameters) {
            return vaporizer_linearize({inputs...}, parameters);
        },
        doc, {"vaporizer_linearize", listed(model_input_names), {"parameters"}},
        py::arg(model_input_names[I])..., py::kw_only(), py::arg("parameters") = py::none());
}

template <std::size_t... I>
void define_transmit(py::module_ &m, const char *doc, std::index_sequence<I...>)
{
    define(
        m, "Transmit", [](Handle<I>... inputs) { return transmit({inputs...}); }, doc,
        {"Transmit", listed(transmit_input_names), {}}, py::arg(transmit_input_names[I])...);
}

}  // namespace

PYBIND11_MODULE(_core, m)
{
    py::module_ errors = py::module_::import("mex_suite._error");
    error_type = py::object(errors.attr("Error")).release().ptr();
    float64_type = py::object(py::module_::import("numpy").attr("float64")).release().ptr();
    bool_type = py::object(py::module_::import("numpy").attr("bool_")).release().ptr();
    // help() shows the texts alone: each function's signature is in its text,
    // and the overload that explains a bad call has none worth showing.
    py::options options;
    options.disable_function_signatures();

    // The texts live beside the package's Python code; they must outlive
    // the functions, as the module does.
    py::module_ docs = py::module_::import("mex_suite._docs");
    static const std::string vaporizer_doc = docs.attr("VAPORIZER").cast<std::string>();
    static const std::string step_doc = docs.attr("VAPORIZER_STEP").cast<std::string>();
    static const std::string transmit_doc = docs.attr("TRANSMIT").cast<std::string>();
    static const std::string murtal_doc = docs.attr("MURTAL").cast<std::string>();
    static const std::string linearize_doc = docs.attr("VAPORIZER_LINEARIZE").cast<std::string>();

    define_vaporizer(m, vaporizer_doc.c_str(), std::make_index_sequence<model_inputs>());
    define_vaporizer_step(m, step_doc.c_str(), std::make_index_sequence<model_inputs>());
    define_vaporizer_linearize(m, linearize_doc.c_str(), std::make_index_sequence<model_inputs>());
    define_transmit(m, transmit_doc.c_str(), std::make_index_sequence<transmit_inputs>());
    define(
        m, "murtal", [](py::object c, py::object k, py::object l) { return murtal({c, k, l}); },
        murtal_doc.c_str(), {"murtal", listed(murtal_input_names), {}},
        py::arg(murtal_input_names[0]), py::arg(murtal_input_names[1]),
        py::arg(murtal_input_names[2]));
}
