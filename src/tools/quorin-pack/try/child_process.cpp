#include "try/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace quorin::pack {
namespace {

volatile sig_atomic_t g_interrupted = 0;
extern "C" void OnInterrupt(int) {
    g_interrupted = 1;
}
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

InterruptGuard::InterruptGuard() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &sa, &old_[i]);
}

InterruptGuard::~InterruptGuard() {
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &old_[i], nullptr);
}

bool Interrupted() {
    return g_interrupted != 0;
}

Environment::Environment() {
    for (char** e = environ; e && *e; ++e)
        vars_.emplace_back(*e);
}

void Environment::Set(const std::string& name, const std::string& value) {
    for (std::string& v : vars_)
        if (v.compare(0, name.size() + 1, name + "=") == 0) {
            v = name + "=" + value;
            return;
        }
    vars_.push_back(name + "=" + value);
}

std::vector<char*> Environment::Pointers() {
    std::vector<char*> p;
    for (std::string& v : vars_)
        p.push_back(v.data());
    p.push_back(nullptr);
    return p;
}

std::optional<std::string> FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

pid_t Spawn(const std::vector<std::string>& argv, Environment& env, int outputFd, int extraFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outputFd < 0) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
        posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
    }
    if (extraFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, extraFd, 3);
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (std::string& a : args)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    std::vector<char*> envp = env.Pointers();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

Waited WaitFor(pid_t pid, int& status, Clock::time_point deadline) {
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return Waited::Exited;
        if (g_interrupted)
            return Waited::Interrupted;
        if (Clock::now() > deadline)
            return Waited::TimedOut;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

int RunToEnd(const std::vector<std::string>& argv, Environment& env, int outputFd, int seconds) {
    const pid_t pid = Spawn(argv, env, outputFd);
    if (pid < 0)
        return -1;
    int status = 0;
    if (WaitFor(pid, status, Clock::now() + std::chrono::seconds(seconds)) != Waited::Exited) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace quorin::pack
