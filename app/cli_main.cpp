// zwillingsfeger-cli's entry: catalogues the folders given on the command line as the Add-folder command
// would, runs the duplicate search and prints the groups.
#include "app/cli_run.h"

#include <unistd.h>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunCli(args, {stdout, stderr, isatty(1) != 0, isatty(2) != 0});
}
