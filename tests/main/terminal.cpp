#include "main/terminal.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace {

[[noreturn]] void startinchild(const std::vector<std::string>& arguments, const std::string& folder,
                               const std::string& home, const char* device) {
    ::setsid();
    int side = ::open(device, O_RDWR);
    if (side < 0) ::_exit(126);
    ::ioctl(side, TIOCSCTTY, 0);
    ::dup2(side, 0);
    ::dup2(side, 1);
    ::dup2(side, 2);
    if (side > 2) ::close(side);
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    if (home.empty())
        ::unsetenv("HOME");
    else
        ::setenv("HOME", home.c_str(), 1);
    ::setenv("TERM", "dumb", 1);
    std::vector<char*> argv{const_cast<char*>(VESK_BINARY)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(VESK_BINARY, argv.data());
    ::_exit(127);
}

}  // namespace

terminal::terminal(const std::vector<std::string>& arguments, const std::string& folder, const std::string& home) {
    controller = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (controller < 0 || ::grantpt(controller) != 0 || ::unlockpt(controller) != 0)
        throw std::runtime_error("no pseudo-terminal");
    device = ::ptsname(controller);
    child = ::fork();
    if (child < 0) throw std::runtime_error("no process");
    if (child == 0) startinchild(arguments, folder, home, device.c_str());
}

terminal::~terminal() {
    if (status == -1 && child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    ::close(controller);
}

void terminal::type(const std::string& keys) {
    std::size_t written = 0;
    while (written < keys.size()) {
        ssize_t count = ::write(controller, keys.data() + written, keys.size() - written);
        if (count <= 0) return;
        written += static_cast<std::size_t>(count);
    }
}

void terminal::interrupt() { type("\x03"); }

bool terminal::readsome(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd waiting{controller, POLLIN, 0};
    if (::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    ssize_t count = ::read(controller, buffer, sizeof buffer);
    // The other side closed: nothing more will come.
    if (count <= 0) return false;
    for (ssize_t at = 0; at < count; ++at)
        if (buffer[at] != '\r') output.push_back(buffer[at]);
    return true;
}

bool terminal::waitfor(const std::string& text, std::chrono::seconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::size_t at = output.find(text, found);
        if (at != std::string::npos) {
            found = at + text.size();
            return true;
        }
        if (!readsome(deadline)) return false;
    }
}

bool terminal::waitforprompt(const std::string& prompt, std::chrono::seconds limit) {
    if (!waitfor(prompt, limit)) return false;
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        int side = ::open(device.c_str(), O_RDWR | O_NOCTTY);
        termios modes{};
        bool editing = side >= 0 && ::tcgetattr(side, &modes) == 0 && (modes.c_lflag & ICANON) == 0;
        if (side >= 0) ::close(side);
        if (editing) return true;
        // Reading on meanwhile: the editor's change of modes waits for the terminal's output to drain.
        readsome(std::chrono::steady_clock::now() + std::chrono::milliseconds(10));
    }
    return false;
}

int terminal::exitstatus(std::chrono::seconds limit) {
    if (status != -1) return status;
    auto deadline = std::chrono::steady_clock::now() + limit;
    // Read what is left, so that vesk never waits on a full terminal, until it has ended.
    for (;;) {
        int raw = 0;
        pid_t ended = ::waitpid(child, &raw, WNOHANG);
        if (ended == child) {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return status;
        }
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        if (!readsome(std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(50)))) continue;
    }
}
