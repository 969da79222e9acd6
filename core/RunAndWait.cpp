#include "core/RunAndWait.h"

#include "core/ProcessRunner.h"

int RunAndWait(std::string_view commandLine, const std::string& workingDirectory)
{
    return RunAndWait(commandLine, workingDirectory, {});
}

int RunAndWait(std::string_view commandLine, const std::string& workingDirectory,
               const std::function<bool()>& stopRequested)
{
    CProcessRunner runner{commandLine};
    runner.SetWorkingDirectory(workingDirectory);
    if (!runner.Start(true, false)) {
        return -1;
    }
    while (!runner.WaitForExit(std::chrono::milliseconds{100})) {
        if (stopRequested && stopRequested()) {
            runner.Terminate();
            return kRunStopped;
        }
    }
    return static_cast<int>(runner.GetExitCode());
}
