#include "lib/shellcommand.hpp"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace V4VM {

namespace {

// The status of a finished command as a program sees it.
std::int32_t commandstatus(int raw) {
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
    return -1;
}

// The shell starts with no signal blocked and SIGPIPE at its default action; the signals the run
// catches go back to their default by themselves when the shell is executed.
class shellattributes {
public:
    shellattributes() {
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~shellattributes() { posix_spawnattr_destroy(&attributes); }
    shellattributes(const shellattributes&) = delete;
    shellattributes& operator=(const shellattributes&) = delete;

    const posix_spawnattr_t* get() const { return &attributes; }

private:
    posix_spawnattr_t attributes;
};

}  // namespace

std::int32_t runshellcommand(const std::string& command) {
    shellattributes attributes;
    char shell[] = "sh";
    char option[] = "-c";
    std::string text = command;
    char* arguments[] = {shell, option, text.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, "/bin/sh", nullptr, attributes.get(), arguments, environ) != 0) return -1;
    int raw = 0;
    // A signal caught meanwhile interrupts the wait, not the command: the command decides for itself.
    while (::waitpid(child, &raw, 0) == -1)
        if (errno != EINTR) return -1;
    return commandstatus(raw);
}

}  // namespace V4VM
