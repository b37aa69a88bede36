// The argument contract of every module's gateway, one row per module: the
// exact numbers of inputs and outputs, checked before any input; each
// input's class, sparsity, emptiness and length, and the checks of the
// module's own; the order the checks run in. Every refused call ends in its
// whole error through the host and leaves no array behind; the calls at the
// edges of the checks return. What a module computes is tested beside it
// (vaporizer_gateway_test, transmit_test, murtal_test, vaporizer_step_test).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "gateway_call.h"
#include "in_process_host.h"
#include "vaporizer_host_inputs.h"
#include "vaporizer_inputs.h"

#include "renamed_gateways.h"

namespace {

using namespace in_process_host;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

using Make = std::function<ArrayPtr()>;
using Error = std::pair<std::string, std::string>;  // identifier (may be empty), message

// A call that changes some inputs of the module's valid call, and what it
// must end in: an error (identifier, possibly empty, and whole message) or,
// with an empty message, a return, whose first output then holds `first`
// when that is given.
struct Case {
    std::string what;
    std::function<Replacements()> replacements;
    std::string identifier, message;
    std::vector<double> first = {};
};

struct Contract {
    std::string module;
    Gateway gateway;
    std::function<std::vector<ArrayPtr>()> valid;  // the inputs of a call that returns
    std::vector<int> accepted_output_counts;        // the first is the one checks are made with
    std::vector<int> refused_output_counts;
    std::function<Error(int)> output_count_error;
    std::vector<std::size_t> refused_input_counts;
    std::function<Error(std::size_t)> input_count_error;
    // Every fault of every check, grouped by check in the order they run.
    std::vector<std::vector<Fault>> checks;
    std::vector<Case> cases;  // refusals that do not fit the order, and calls at the edges
};

// --- What every gateway refuses in an input ------------------------------

std::string input(int slot, const std::string &name) { return about(slot + 1, name) + " "; }

Fault fault(const std::string &module, int slot, const std::string &name, Make make,
            const std::string &mnemonic, const std::string &what)
{
    return {slot, std::move(make), module + ":" + mnemonic, input(slot, name) + what};
}

// An empty or cell-like array of a class and shape, as a Make.
Make dense(ArrayClass array_class, std::size_t rows, std::size_t columns)
{
    return [=] { return make_dense(array_class, rows, columns); };
}

// Values a host cannot read as one number: empty ones, and sparse ones of
// more than one element, whose first stored value is not the first element.
std::vector<Fault> scalar_faults(const std::string &module, int slot, const std::string &name)
{
    std::vector<Fault> faults;
    for (Make make : std::vector<Make>{
             dense(ArrayClass::Double, 0, 0), dense(ArrayClass::Double, 0, 1),
             dense(ArrayClass::Logical, 1, 0), dense(ArrayClass::Int8, 1, 0),
             dense(ArrayClass::Cell, 1, 1), [] { return make_sparse(2, 1, {1}, {0, 1}); },
             [] { return make_sparse(2, 1, {1}, {0, 1}, ArrayClass::Double, false, {5.0}); }})
        faults.push_back(fault(module, slot, name, make, "notNumericScalar", not_numeric_scalar));
    return faults;
}

// Arrays of `count` elements that are not dense double, and, when the input
// must hold `minimum` values, arrays one short of that and empty ones.
std::vector<Fault> array_faults(const std::string &module, int slot, const std::string &name,
                                std::size_t count, std::size_t minimum)
{
    std::vector<Fault> faults;
    for (Make make : std::vector<Make>{
             [count] { return make_sparse(count, 1, {0}, {0, 1}); },
             [count] { return make_sparse(count, 1, {0, count - 1}, {0, 2}); },
             [count] { return make_dense(ArrayClass::Single, count, 1); },
             [count] { return make_dense(ArrayClass::Int32, count, 1); },
             [count] { return make_dense(ArrayClass::Logical, count, 1); },
             [count] { return make_dense(ArrayClass::Char, count, 1); },
             [count] { return make_dense(ArrayClass::Cell, count, 1); }})
        faults.push_back(fault(module, slot, name, make, "notDenseDouble", not_dense_double));
    if (minimum == 0)
        return faults;
    std::vector<std::size_t> held{minimum - 1};
    if (minimum > 1)
        held.push_back(0);
    for (std::size_t n : held)
        faults.push_back(fault(module, slot, name,
                               [n] { return make_column(std::vector<double>(n, 0.5)); },
                               "tooShort", too_short(minimum, n)));
    faults.push_back(fault(module, slot, name, [] { return make_dense(ArrayClass::Double, 1, 0); },
                           "tooShort", too_short(minimum, 0)));
    return faults;
}

// The valid value of an array input as one row: the shape never matters.
Case as_a_row(const Contract &row, int slot)
{
    return {"input " + std::to_string(slot + 1) + " as a row",
            [valid = row.valid, slot] {
                const std::vector<double> v = values(valid()[slot].get());
                Replacements r;
                r.emplace_back(slot, make_row(v));
                return r;
            },
            "", ""};
}

Replacements replace(int slot, ArrayPtr array)
{
    Replacements r;
    r.emplace_back(slot, std::move(array));
    return r;
}

Replacements replace(int slot, ArrayPtr array, int other, ArrayPtr other_array)
{
    Replacements r = replace(slot, std::move(array));
    r.emplace_back(other, std::move(other_array));
    return r;
}

// --- The vaporizer's 25 inputs, which three modules take first --------------

// Values an array input must hold; 0 for a scalar.
const std::size_t model_minimums[25] = {8, 0, 0, 0, 7, 0, 0, 7, 0, 0, 49, 49, 7,
                                        7, 7, 7, 7, 7, 7, 7, 7, 7, 0, 0, 0};

std::vector<std::vector<Fault>> model_input_checks(const std::string &module)
{
    std::vector<std::vector<Fault>> checks;
    for (int slot = 0; slot < 25; ++slot) {
        const std::size_t n = model_minimums[slot];
        checks.push_back(n == 0 ? scalar_faults(module, slot, vaporizer_input_names[slot])
                                : array_faults(module, slot, vaporizer_input_names[slot], n, n));
    }
    return checks;
}

void add_model_arrays_as_rows(Contract &c)
{
    for (int slot = 0; slot < 25; ++slot)
        if (model_minimums[slot] != 0)
            c.cases.push_back(as_a_row(c, slot));
}

// A count error without identifier, whose message does not name the count.
template <class Count>
std::function<Error(Count)> fixed(const char *message)
{
    return [message](Count) { return Error("", message); };
}

// A count error that names the count between two texts.
template <class Count>
std::function<Error(Count)> naming(const std::string &identifier, const std::string &before,
                                   const std::string &after = "")
{
    return [=](Count n) { return Error(identifier, before + std::to_string(n) + after); };
}

Contract vaporizer_contract()
{
    Contract c{"vaporizer", vaporizer_mexFunction,
               [] { return vaporizer_host_inputs(VaporizerInputs()); },
               {5}, {0, 1, 4, 6}, fixed<int>("outputs not correct"),
               {0, 24, 26}, fixed<std::size_t>("inputs not correct"),
               model_input_checks("vaporizer"), {}};
    add_model_arrays_as_rows(c);
    return c;
}

// A selection of the property data, P-by-2 [position, element]: one
// parameter of each kind of input, the last element of a matrix included.
ArrayPtr valid_selection()
{
    return make_double(4, 2, {10, 12, 21, 25, 1, 49, 7, 1});
}

// Selections refused for their class or shape, and for a bad row.
std::vector<Fault> selection_faults(const std::string &module, int slot)
{
    auto rows = [](std::vector<double> values) -> Make {
        return [values] { return make_double(values.size() / 2, 2, values); };
    };
    const std::string kind =
        "must be a real dense double array of [position, element] rows, P-by-2, or []";
    std::vector<Fault> faults;
    for (Make make : std::vector<Make>{dense(ArrayClass::Cell, 1, 2),
                                       [] { return make_filled(ArrayClass::Int32, 1, 2, {12, 1}); },
                                       [] { return make_sparse(1, 2, {0, 0}, {0, 1, 2}); },
                                       [] { return make_double(1, 2, {12, 1}, {0, 1}); }})
        faults.push_back(fault(module, slot, "parameters", make, "badParameters", kind));
    const std::vector<double> too_many(2 * 173, 10.0);
    const struct {
        Make make;
        std::string what;
    } bad[] = {
        {[] { return make_row({12, 1, 1}); }, "must have 2 columns, [position, element]; it has 3"},
        {[] { return make_dense(ArrayClass::Double, 0, 1); },
         "must have 2 columns, [position, element]; it has 1"},
        {[] { return make_dense(ArrayClass::Double, 5, 0); },
         "must have 2 columns, [position, element]; it has 0"},
        {rows(too_many), "has 173 rows; at most 172, the elements of the property data, are taken"},
        {rows({9, 1}), "row 1: position 9 is not that of a property input, a whole number from "
                       "10 to 25"},
        {rows({12, 26, 1, 1}), "row 2: position 26 is not that of a property input, a whole "
                               "number from 10 to 25"},
        {rows({12.5, 1}), "row 1: position 12.5 is not that of a property input, a whole number "
                          "from 10 to 25"},
        {rows({nan, 1}), "row 1: position NaN is not that of a property input, a whole number "
                         "from 10 to 25"},
        {rows({12, 0}), "row 1: element 0 is not a whole number from 1 to 49, the number of "
                        "elements of input 12 (wilson_energy)"},
        {rows({16, 16, 7, 8}), "row 2: element 8 is not a whole number from 1 to 7, the number "
                               "of elements of input 16 (cp_liquid_a)"},
        {rows({10, 2}), "row 1: element 2 is not a whole number from 1 to 1, the number of "
                        "elements of input 10 (area)"},
        {rows({20, 1.5}), "row 1: element 1.5 is not a whole number from 1 to 7, the number of "
                          "elements of input 20 (antoine_a)"},
        {rows({20, -inf}), "row 1: element -Inf is not a whole number from 1 to 7, the number "
                           "of elements of input 20 (antoine_a)"},
    };
    for (const auto &b : bad)
        faults.push_back(fault(module, slot, "parameters", b.make, "badParameters", b.what));
    return faults;
}

Contract vaporizer_linearize_contract()
{
    const std::string module = "vaporizer_linearize";
    Contract c{module, vaporizer_linearize_mexFunction,
               [] {
                   std::vector<ArrayPtr> inputs = vaporizer_host_inputs(VaporizerInputs());
                   inputs.push_back(valid_selection());
                   return inputs;
               },
               {6, 0, 1, 2, 3, 4, 5}, {7},
               naming<int>(module + ":outputCount", "returns at most 6 outputs; ",
                           " were requested"),
               {0, 24, 27},
               naming<std::size_t>(module + ":inputCount",
                                   "takes the 25 inputs of vaporizer and optionally a parameter "
                                   "selection (25 or 26 inputs); it was given "),
               model_input_checks(module), {}};
    c.checks.push_back(selection_faults(module, 25));
    add_model_arrays_as_rows(c);
    // No parameters: E and F are 8-by-0 and 10-by-0.
    c.cases.push_back({"an empty selection",
                       [] { return replace(25, make_dense(ArrayClass::Double, 0, 0)); }, "", ""});
    return c;
}

// The model's inputs, the interval, the options and the parameter
// selection, read in that order, then the state's first 8 values, which
// must be finite.
Contract vaporizer_step_contract()
{
    const std::string module = "vaporizer_step";
    Contract c{module, vaporizer_step_mexFunction,
               [] {
                   std::vector<ArrayPtr> inputs = vaporizer_host_inputs(VaporizerInputs());
                   inputs.push_back(make_scalar(5.0));
                   inputs.push_back(make_struct({}));
                   inputs.push_back(valid_selection());
                   return inputs;
               },
               {6, 0, 1, 2, 3, 4, 5, 7, 8, 9}, {10},
               naming<int>(module + ":outputCount", "returns at most 9 outputs; ",
                           " were requested"),
               {0, 25, 29},
               naming<std::size_t>(module + ":inputCount",
                                   "takes the 25 inputs of vaporizer, the interval and optionally "
                                   "an options struct and a parameter selection (26 to 28 "
                                   "inputs); it was given "),
               model_input_checks(module), {}};
    // A short composition of three values, besides the generic one-short.
    c.checks[4].push_back(fault(module, 4, "feed1_comp", [] { return make_column({0.5, 0.5, 0}); },
                                "tooShort", too_short(7, 3)));

    std::vector<Fault> interval;
    for (Make make : std::vector<Make>{
             [] { return make_scalar(nan); }, [] { return make_scalar(inf); },
             [] { return make_scalar(-1); },
             [] { return make_double(1, 1, {1}, {1}); }, [] { return make_row({1, 2}); },
             [] { return make_filled(ArrayClass::Char, 1, 1, {50}); }})
        interval.push_back(fault(module, 25, "interval", make, "badInterval",
                                 "must be a real, finite, non-negative numeric scalar"));
    c.checks.push_back(interval);

    std::vector<Fault> options;
    for (Make make : std::vector<Make>{
             dense(ArrayClass::Cell, 1, 1), dense(ArrayClass::Struct, 2, 1),
             dense(ArrayClass::Char, 0, 0), dense(ArrayClass::Cell, 0, 0),
             dense(ArrayClass::Double, 0, 3), [] { return make_sparse(0, 0, {}, {0}); }})
        options.push_back(fault(module, 26, "options", make, "badOptions",
                                "must be a 1-by-1 struct such as odeset returns, or []"));
    auto option = [](std::vector<std::pair<const char *, Make>> fields) {
        return [fields] {
            std::vector<Field> made;
            for (const auto &[name, make] : fields)
                made.emplace_back(name, make());
            return make_struct(std::move(made));
        };
    };
    const struct {
        const char *field;
        Make value;
        const char *mnemonic, *what;
    } field_faults[] = {
        {"RelTol", [] { return make_scalar(-1e-6); }, "badOption",
         "field RelTol must be a positive, finite real numeric scalar"},
        {"RelTol", [] { return make_scalar(-1); }, "badOption",
         "field RelTol must be a positive, finite real numeric scalar"},
        {"AbsTol", [] { return make_row({1, 1, 1}); }, "badOption",
         "field AbsTol must be a positive, finite real scalar or a real double vector of 8 such "
         "values"},
        {"MaxStep", [] { return make_scalar(0); }, "badOption",
         "field MaxStep must be a positive real numeric scalar"},
        {"InitialStep", [] { return make_scalar(inf); }, "badOption",
         "field InitialStep must be a positive, finite real numeric scalar"},
        {"SensitivityErrorControl", [] { return make_scalar(0.5); }, "badOption",
         "field SensitivityErrorControl must be true or false (a logical or numeric scalar, 1 or "
         "0)"},
        {"Events", [] { return make_scalar(1); }, "unsupportedOption",
         "field Events is set, but only RelTol, AbsTol, MaxStep, InitialStep and "
         "SensitivityErrorControl are honoured; leave it empty"},
    };
    for (const auto &f : field_faults)
        options.push_back(fault(module, 26, "options", option({{f.field, f.value}}), f.mnemonic,
                                f.what));
    options.push_back(fault(module, 26, "options",
                            option({{"RELTOL", [] { return make_scalar(1e-3); }},
                                    {"RelTol", [] { return make_scalar(1e-4); }}}),
                            "duplicateOption",
                            "sets RelTol twice, as fields RELTOL and RelTol; set it once"));
    c.checks.push_back(options);
    c.checks.push_back(selection_faults(module, 27));
    // MaxStep against the interval, once the selection is read too.
    c.checks.push_back({fault(module, 26, "options", option({{"MaxStep", [] {
                                                                  return make_scalar(1e-14);
                                                              }}}),
                              "badOption",
                              "field MaxStep must be at least 16 eps times the interval, "
                              "1.77636e-14 here: no smaller step advances the time at the end of "
                              "the interval")});

    std::vector<Fault> state;
    for (double temperature : {nan, inf})
        state.push_back(fault(
            module, 0, "state",
            [temperature] { return make_column({0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 1, temperature}); },
            "stateNotFinite",
            std::string("must be finite in its first 8 elements; element 8 is ") +
                (temperature == inf ? "Inf" : "NaN")));
    c.checks.push_back(state);
    add_model_arrays_as_rows(c);
    return c;
}

// --- Transmit ---------------------------------------------------------------

const char *const transmit_names[] = {"new_value", "delay_line", "lag_states", "delay_time",
                                      "time_constant", "delay_length", "stage_count",
                                      "time_step", "range_low", "range_high"};

// delay_length beyond delay_line (slot 1), or stage_count beyond lag_states (slot 2).
std::string beyond(std::size_t elements, int slot, long value)
{
    return "must truncate to at most " + std::to_string(elements) + ", the elements of " +
           about(slot + 1, transmit_names[slot]) + "; it truncates to " + std::to_string(value);
}

// The delayed signal is cell L - 1: with stages in use, L must be 1 or more.
std::string no_delay_cell(long length, long stages)
{
    return "must truncate to 1 or more when input 7 (stage_count) is 1 or more; it truncates "
           "to " + std::to_string(length) + " and input 7 to " + std::to_string(stages);
}

// Inputs in position order, except that the rule tying delay_length to
// stage_count is checked once both counts are read: input 6's range, input
// 7's range, then the rule (reported against input 6), then input 8.
Contract transmit_contract()
{
    const std::string module = "Transmit";
    Contract c{module, Transmit_mexFunction,
               [] {
                   std::vector<ArrayPtr> a;
                   a.push_back(make_scalar(13.0));                      // new_value
                   a.push_back(make_column({0.5, 0.25, 0.75, 0.125}));  // delay_line
                   a.push_back(make_column({0.2, 0.4, 0.6}));           // lag_states
                   for (double v : {0.5, 0.3, 3.0, 2.0, 0.1, 4.0, 20.0})
                       a.push_back(make_scalar(v));
                   return a;
               },
               {2}, {0, 1, 3}, fixed<int>("outputs not correct"),
               {0, 9, 11}, fixed<std::size_t>("inputs not correct"),
               {}, {}};
    auto scalar = [](double value) -> Make { return [value] { return make_scalar(value); }; };
    for (int slot = 0; slot < 10; ++slot) {
        const std::string name = transmit_names[slot];
        if (slot == 1)
            c.checks.push_back(array_faults(module, slot, name, 4, 1));
        else if (slot == 2)
            c.checks.push_back(array_faults(module, slot, name, 3, 0));
        else
            c.checks.push_back(scalar_faults(module, slot, name));
        if (slot == 5 || slot == 6)
            for (double bad : {nan, inf, -inf, 2147483648.0, -2147483649.0, 1e300})
                c.checks.back().push_back(fault(
                    module, slot, name, scalar(bad), "countNotInt32",
                    "must truncate to a whole number that fits a 32-bit signed integer"));
        if (slot == 5)
            for (double bad : {5.0, 2147483647.0})
                c.checks.back().push_back(fault(module, slot, name, scalar(bad), "badDelayLength",
                                                beyond(4, 1, static_cast<long>(bad))));
        if (slot == 6) {
            for (double bad : {4.0, 2147483647.9})
                c.checks.back().push_back(fault(module, slot, name, scalar(bad), "tooManyStages",
                                                beyond(3, 2, static_cast<long>(bad))));
            // The most negative L gives the longest message.
            std::vector<Fault> rule;
            for (double bad : {0.0, 0.99, -0.5, -3.0, -2147483648.9})
                rule.push_back(fault(module, 5, transmit_names[5], scalar(bad), "badDelayLength",
                                     no_delay_cell(static_cast<long>(bad), 2)));
            c.checks.push_back(rule);
        }
    }
    c.cases = {
        {"delay_length of 4.9, the whole line", [] { return replace(5, make_scalar(4.9)); }, "",
         ""},
        {"stage_count of 3.9, every lag", [] { return replace(6, make_scalar(3.9)); }, "", ""},
        // No stages: an empty lag_states is enough, until a stage is asked for.
        {"no stages, no lags",
         [] { return replace(2, make_dense(ArrayClass::Double, 0, 0), 6, make_scalar(0.9)); },
         "", ""},
        {"one stage without a delay cell",
         [] { return replace(5, make_scalar(0.0), 6, make_scalar(1.0)); },
         "Transmit:badDelayLength", input(5, "delay_length") + no_delay_cell(0, 1)},
        {"a stage without lags",
         [] { return replace(2, make_dense(ArrayClass::Double, 0, 0), 6, make_scalar(1.0)); },
         "Transmit:tooManyStages", input(6, "stage_count") + beyond(0, 2, 1)},
        as_a_row(c, 1),
        as_a_row(c, 2),
    };
    return c;
}

// --- murtal -----------------------------------------------------------------

ArrayPtr sparse_column(std::size_t rows, const std::vector<mwIndex> &stored_rows)
{
    return make_sparse(rows, 1, stored_rows, {0, stored_rows.size()});
}

// C's checks, K's, then L's, whose length C's last stored row sets (row 3
// here: four labels).
Contract murtal_contract()
{
    const std::string module = "murtal";
    Contract c{module, murtal_mexFunction,
               [] {
                   std::vector<ArrayPtr> a;
                   a.push_back(sparse_column(5, {0, 3}));
                   a.push_back(make_scalar(2));
                   a.push_back(make_column({1, 2, 1, 2, 1}));
                   return a;
               },
               {1, 0}, {2}, fixed<int>("Too many output arguments"),
               {0, 2, 4}, fixed<std::size_t>("Wrong number of input arguments"),
               {}, {}};
    std::vector<Fault> c_checks;
    for (Make make : std::vector<Make>{[] { return make_column({1, 0, 0, 1, 0}); },
                                       [] { return make_scalar(1); }})
        c_checks.push_back({0, make, "", "C must be sparse"});
    for (Make make : std::vector<Make>{[] { return make_sparse(1, 2, {0}, {0, 1, 1}); },
                                       [] { return make_sparse(3, 0, {}, {0}); },
                                       [] { return make_sparse(2, 2, {0, 1}, {0, 1, 2}); }})
        c_checks.push_back({0, make, "", "C must be a sparse column vector"});
    c.checks.push_back(c_checks);

    c.checks.push_back(scalar_faults(module, 1, "K"));
    for (double bad : {-1.0, -7.5, nan, inf, -inf, 2147483648.0, 1e300})
        c.checks.back().push_back({1, [bad] { return make_scalar(bad); }, "murtal:badClusterCount",
                                   "input 2 (K) must truncate to a cluster count from 0 to "
                                   "2147483647"});

    c.checks.push_back(array_faults(module, 2, "L", 5, 4));
    // A short L is refused before any label it holds is judged.
    c.checks.back().push_back(fault(module, 2, "L", [] { return make_column({5, 1, 1}); },
                                    "tooShort", too_short(4, 3)));

    const std::size_t tallest = (std::size_t{1} << 48) - 1;  // the tallest column a host makes
    c.cases = {
        // The largest K passes the check; the host then runs out of memory for it.
        {"largest K", [] { return replace(1, make_scalar(2147483647.9)); }, "MATLAB:nomem",
         "Out of memory."},
        // Counts print whole up to the tallest column.
        {"tallest C",
         [tallest] {
             return replace(0, sparse_column(tallest, {tallest - 1}), 2, make_column({1, 1, 1}));
         },
         "murtal:tooShort", "input 3 (L) " + too_short(tallest, 3)},
        // Row 3 stored first: the last stored row (1) does not show how many
        // labels are read, so the counting pass itself bounds every row.
        {"C out of order, L short",
         [] {
             return replace(0, make_unordered_sparse_column(6, {3, 1}), 2, make_column({1, 2, 1}));
         },
         "murtal:tooShort", "input 3 (L) " + too_short(4, 3)},
        {"C out of order, L long enough",
         [] {
             return replace(0, make_unordered_sparse_column(6, {3, 1}), 2,
                            make_column({1, 2, 1, 1}));
         },
         "", "", {1, 1}},
        {"L of four labels", [] { return replace(2, make_column({1, 1, 1, 2})); }, "", "", {1, 1}},
        {"1-by-1 C",
         [] {
             Replacements r = replace(0, make_sparse(1, 1, {0}, {0, 1}), 1, make_scalar(1));
             r.emplace_back(2, make_column({1}));
             return r;
         },
         "", "", {1}},
        as_a_row(c, 2),
    };
    return c;
}

// --- The table --------------------------------------------------------------

std::vector<Contract> contracts()
{
    std::vector<Contract> rows;
    for (Contract (*row)() : {vaporizer_contract, vaporizer_linearize_contract,
                              vaporizer_step_contract, transmit_contract, murtal_contract}) {
        Contract contract = row();
        if (contract.gateway != nullptr)  // a module this build makes
            rows.push_back(std::move(contract));
    }
    return rows;
}

CallResult call(const Contract &c, const std::vector<ArrayPtr> &inputs, int nlhs)
{
    std::vector<const mxArray *> pointers;
    for (const ArrayPtr &a : inputs)
        pointers.push_back(a.get());
    return call_gateway(c.gateway, nlhs, pointers);
}

std::vector<ArrayPtr> valid_with(const Contract &c, Replacements bad)
{
    std::vector<ArrayPtr> inputs = c.valid();
    for (auto &[slot, array] : bad)
        inputs[slot] = std::move(array);
    return inputs;
}

// The call ends in this error and leaves no array the host must free.
void expect_refused(const Contract &c, const std::vector<ArrayPtr> &inputs, int nlhs,
                    const Error &error)
{
    const std::size_t before = live_array_count();
    expect_error(call(c, inputs, nlhs), error.first, error.second);
    EXPECT_EQ(live_array_count(), before);
}

class GatewayContract : public testing::TestWithParam<Contract> {};

// A row by its module's name, which CTest puts in the test's name.
void PrintTo(const Contract &c, std::ostream *out) { *out << c.module; }

TEST_P(GatewayContract, InputCountsAreExactAndCheckedFirst)
{
    const Contract &c = GetParam();
    std::vector<int> output_counts = c.accepted_output_counts;
    output_counts.insert(output_counts.end(), c.refused_output_counts.begin(),
                         c.refused_output_counts.end());
    for (std::size_t count : c.refused_input_counts)
        for (int nlhs : output_counts) {
            SCOPED_TRACE(std::to_string(count) + " inputs, " + std::to_string(nlhs) + " outputs");
            // The valid inputs, cut short or repeated; then cells, whose
            // content is never looked at.
            std::vector<ArrayPtr> valid = c.valid(), inputs, cells;
            for (std::size_t i = 0; i < count; ++i) {
                inputs.push_back(i < valid.size() ? std::move(valid[i])
                                                 : std::move(c.valid()[i % valid.size()]));
                cells.push_back(make_dense(ArrayClass::Cell, 1, 1));
            }
            expect_refused(c, inputs, nlhs, c.input_count_error(count));
            expect_refused(c, cells, nlhs, c.input_count_error(count));
        }
}

TEST_P(GatewayContract, OutputCountsAreExactAndCheckedBeforeAnyInput)
{
    const Contract &c = GetParam();
    for (int nlhs : c.refused_output_counts) {
        SCOPED_TRACE(std::to_string(nlhs) + " outputs");
        expect_refused(c, c.valid(), nlhs, c.output_count_error(nlhs));
        for (const std::vector<Fault> &check : c.checks)
            for (const Fault &f : check) {
                SCOPED_TRACE("with " + f.message);
                expect_refused(c, valid_with(c, replace(f.slot, f.make())), nlhs,
                               c.output_count_error(nlhs));
            }
    }
    for (int nlhs : c.accepted_output_counts) {
        SCOPED_TRACE(std::to_string(nlhs) + " outputs");
        const CallResult result = call(c, c.valid(), nlhs);
        expect_success(result);
        ASSERT_EQ(result.outputs.size(), static_cast<std::size_t>(std::max(nlhs, 1)));
        for (const ArrayPtr &output : result.outputs)
            EXPECT_TRUE(output != nullptr);
    }
}

TEST_P(GatewayContract, EveryFaultEndsInItsErrorLeavingNothing)
{
    const Contract &c = GetParam();
    const int nlhs = c.accepted_output_counts.front();
    for (const std::vector<Fault> &check : c.checks)
        for (const Fault &f : check) {
            SCOPED_TRACE("input " + std::to_string(f.slot + 1) + ": " + f.message);
            expect_refused(c, valid_with(c, replace(f.slot, f.make())), nlhs,
                           {f.identifier, f.message});
        }
}

TEST_P(GatewayContract, ChecksRunInTheirOrder)
{
    const Contract &c = GetParam();
    expect_checks_in_order(c.checks, [&](Replacements bad) {
        return call(c, valid_with(c, std::move(bad)), c.accepted_output_counts.front());
    });
}

TEST_P(GatewayContract, CallsAtTheEdgesOfTheChecks)
{
    const Contract &c = GetParam();
    const int nlhs = c.accepted_output_counts.front();
    for (const Case &k : c.cases) {
        SCOPED_TRACE(k.what);
        if (!k.message.empty()) {
            expect_refused(c, valid_with(c, k.replacements()), nlhs, {k.identifier, k.message});
            continue;
        }
        const CallResult result = call(c, valid_with(c, k.replacements()), nlhs);
        expect_success(result);
        if (!k.first.empty() && result.ok) {
            EXPECT_EQ(values(result.outputs[0].get()), k.first);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, GatewayContract, testing::ValuesIn(contracts()));

}  // namespace
