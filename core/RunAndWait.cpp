#include "core/RunAndWait.h"

#include "core/ProcessRunner.h"

int RunAndWait(std::string_view commandLine, const std::string& workingDirectory)
{
    CProcessRunner runner{commandLine};
    runner.SetWorkingDirectory(workingDirectory);
    if (!runner.Start(true, false)) {
        return -1;
    }
    while (!runner.WaitForExit(std::chrono::milliseconds{100})) {
    }
    return static_cast<int>(runner.GetExitCode());
}
