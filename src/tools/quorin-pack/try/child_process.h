// Child processes of the try command on Linux: started with an environment of their own, waited
// for with a deadline, and given up early when the user interrupts.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <signal.h>
#include <string>
#include <vector>

namespace quorin::pack {

using Clock = std::chrono::steady_clock;

// While one lives, Ctrl-C or a termination request only marks the trial as interrupted, so that
// it ends through the same clean-up as its normal end.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction old_[3];
};
bool Interrupted();

// The tool's environment with some variables set for its children.
class Environment {
public:
    Environment();
    void Set(const std::string& name, const std::string& value);
    std::vector<char*> Pointers();

private:
    std::vector<std::string> vars_;
};

// The program in $PATH, or none.
std::optional<std::string> FindOnPath(const std::string& name);

// A child with its output sent to `outputFd` (-1: /dev/null) and, when `extraFd` is given, that
// descriptor passed as its descriptor 3; -1 when it cannot be started.
pid_t Spawn(const std::vector<std::string>& argv, Environment& env, int outputFd, int extraFd = -1);

enum class Waited { Exited, TimedOut, Interrupted };
Waited WaitFor(pid_t pid, int& status, Clock::time_point deadline);

// Runs a program to its end: its exit status, or -1 when it could not be started, ran out of
// time or was interrupted.
int RunToEnd(const std::vector<std::string>& argv, Environment& env, int outputFd, int seconds);

} // namespace quorin::pack
