#include "support/liverun.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "support/runbinary.hpp"
#include "support/scratch.hpp"

namespace {

// Long enough for a loaded machine running the sanitizer build; a passing test never waits for it.
constexpr int timeoutms = 30000;

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Reads what is there; false at the end of the stream or after the timeout.
bool readsome(int descriptor, std::string& text, int waitms) {
    pollfd ready{descriptor, POLLIN, 0};
    if (::poll(&ready, 1, waitms) <= 0) return false;
    char chunk[4096];
    ssize_t got = ::read(descriptor, chunk, sizeof chunk);
    if (got <= 0) return false;
    text.append(chunk, static_cast<std::size_t>(got));
    return true;
}

}  // namespace

liverun::liverun(const std::string& source, const std::vector<std::string>& options, const std::string& file)
    : folder(testfolder()) {
    std::ofstream(folder + "program.VKEX", std::ios::binary) << source;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
    std::vector<std::string> words{VESK_BINARY};
    words.insert(words.end(), options.begin(), options.end());
    words.push_back(file);
    std::vector<char*> arguments;
    for (std::string& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);
    started = now();
    child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (::chdir(folder.c_str()) == 0) ::execv(arguments[0], arguments.data());
        ::_exit(127);
    }
    ::setpgid(child, child);  // also here: the group exists before the test signals it
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    input = in[1];
    output = out[0];
    errors = err[0];
}

liverun::~liverun() {
    if (child > 0 && ::waitpid(child, nullptr, WNOHANG) == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    for (int descriptor : {input, output, errors})
        if (descriptor >= 0) ::close(descriptor);
}

bool liverun::awaitin(int descriptor, std::string& text, const std::string& wanted) {
    double deadline = now() + timeoutms / 1000.0;
    while (text.find(wanted) == std::string::npos) {
        int left = static_cast<int>((deadline - now()) * 1000);
        if (left <= 0 || !readsome(descriptor, text, left)) return false;
    }
    return true;
}

bool liverun::awaitoutput(const std::string& line) {
    return awaitin(output, out, line + "\n") &&
           (out.starts_with(line + "\n") || out.find("\n" + line + "\n") != std::string::npos);
}

bool liverun::awaitcommand(const std::string& command) {
    double deadline = now() + timeoutms / 1000.0;
    while (now() < deadline) {
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            // /proc/PID/stat: "PID (COMMAND) STATE PPID PGRP ..."
            std::string stat = slurp(entry.path() / "stat");
            std::size_t close = stat.rfind(')');
            if (close == std::string::npos || stat.substr(stat.find('(') + 1, close - stat.find('(') - 1) != command) continue;
            std::istringstream rest(stat.substr(close + 2));
            std::string state;
            pid_t parent = 0, group = 0;
            if (rest >> state >> parent >> group && group == child) return true;
        }
        ::usleep(1000);
    }
    return false;
}

bool liverun::awaiterror(const std::string& text) { return awaitin(errors, err, text); }

void liverun::write(const std::string& text) {
    EXPECT_EQ(::write(input, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

void liverun::signal(int number) { ::kill(child, number); }

void liverun::signalgroup(int number) { ::kill(-child, number); }

int liverun::finish() {
    // Both streams end when vesk and whatever it started have exited.
    double deadline = now() + timeoutms / 1000.0;
    bool outopen = true, erropen = true;
    while ((outopen || erropen) && now() < deadline) {
        pollfd streams[] = {{outopen ? output : -1, POLLIN, 0}, {erropen ? errors : -1, POLLIN, 0}};
        if (::poll(streams, 2, static_cast<int>((deadline - now()) * 1000)) <= 0) break;
        if (streams[0].revents != 0) outopen = readsome(output, out, 0);
        if (streams[1].revents != 0) erropen = readsome(errors, err, 0);
    }
    // The streams close a moment before the process can be waited for.
    int raw = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(child, &raw, WNOHANG)) == 0 && now() < deadline) ::usleep(1000);
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &raw, 0);
    }
    child = -1;
    return ended != 0 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

double liverun::secondssincestart() const { return now() - started; }
