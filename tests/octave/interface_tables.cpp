// Prints the interface tables the modules are built from, one entry a line
// ("<module> option <MEX name> <Python name>", "<module> statistic <name>",
// "<module> output <name>"), for the checks that the help describes them.
#include <cstdio>

#include "linearize_interface.h"
#include "step_interface.h"
#include "transmit_arguments.h"
#include "vaporizer_arguments.h"

namespace {

void print_outputs(const char *module, const module_interface::Output *outputs, int count)
{
    for (int k = 0; k < count; ++k)
        std::printf("%s output %s\n", module, outputs[k].name);
}

}  // namespace

int main()
{
    print_outputs("vaporizer", vaporizer_arguments::model_outputs,
                  vaporizer_arguments::OUTPUT_COUNT);
    print_outputs("Transmit", transmit_arguments::outputs, transmit_arguments::OUTPUT_COUNT);
    print_outputs("vaporizer_linearize", linearize_interface::outputs,
                  linearize_interface::OUTPUT_COUNT);
    print_outputs("vaporizer_step", step_interface::outputs, step_interface::OUTPUT_COUNT);
    for (const step_interface::OptionName &option : step_interface::options)
        std::printf("vaporizer_step option %s %s\n", option.mex, option.python);
    for (const step_interface::StatisticField &field : step_interface::statistics)
        std::printf("vaporizer_step statistic %s\n", field.name);
    return 0;
}
