#include "tools/CtlCommands.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    CCtlCommands commands{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
    const int status = commands.Run(args);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "zezodictl: cannot write the output\n";
        return CCtlCommands::kExitFailure;
    }
    return status;
}
