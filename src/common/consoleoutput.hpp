#pragma once

#include <array>
#include <csignal>
#include <streambuf>
#include <string>

// A run whose standard output is a pipe closed by its reader ends quietly with the status of a process
// ended by SIGPIPE; the signal itself is ignored, so that the run ends in order and its files are kept.
constexpr int closedpipestatus = 128 + SIGPIPE;

// How every refused write is reported: "write failed for " + the path as the program gave it ("stdout"
// for the console) + ": " + the system's text for the reason.
std::string writefailure(const std::string& path, int reason);

// Standard output, written in large blocks straight to its file descriptor. The first write the
// system refuses is remembered with its reason (an errno value) and what follows it is dropped: the
// failure may surface long before anyone can report it (the driver's progress lines are written
// before the machine exists), so whoever can report it asks for it, once.
class consolebuffer : public std::streambuf {
public:
    explicit consolebuffer(int descriptor);
    ~consolebuffer() override { sync(); }
    consolebuffer(const consolebuffer&) = delete;
    consolebuffer& operator=(const consolebuffer&) = delete;

    // The reason of the first refused write the first time it is asked for, 0 otherwise.
    int takefailure();

protected:
    int_type overflow(int_type next) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    // Write out a range, or what is buffered; false once a write has been refused.
    bool writeout(const char* next, const char* end);
    bool drain();

    int descriptor;
    int refused = 0;
    bool taken = false;
    std::array<char, 1 << 16> buffer;
};

// Puts a consolebuffer under std::cout while it lives (main's whole run), the previous one back after.
class consoleoutput {
public:
    consoleoutput();
    ~consoleoutput();
    consoleoutput(const consoleoutput&) = delete;
    consoleoutput& operator=(const consoleoutput&) = delete;

private:
    consolebuffer console;
    std::streambuf* previous;
};

// The reason std::cout's output failed so far, the first time it is asked after the failure; 0
// otherwise, and always when std::cout writes elsewhere than to a consolebuffer. Flush first to learn
// the fate of what is buffered.
int takeconsolefailure();
