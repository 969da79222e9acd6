#pragma once

#include <functional>
#include <string>
#include <string_view>

// Runs the command line to its end (no time limit) and gives its exit code, or -1 when the
// program cannot be started. `workingDirectory` is where the child starts; empty keeps ours.
// Returns as soon as the child ends: the wait sleeps at most 100 ms at a time.
int RunAndWait(std::string_view commandLine, const std::string& workingDirectory = {});

// The result of RunAndWait when the stop request ended the wait.
constexpr int kRunStopped = -2;

// As above, asking `stopRequested` (when set) between two sleeps: once it says true, the
// child is killed with its whole process group and the result is kRunStopped.
int RunAndWait(std::string_view commandLine, const std::string& workingDirectory,
               const std::function<bool()>& stopRequested);
