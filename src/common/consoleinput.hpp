#pragma once

#include <array>
#include <streambuf>

// Standard input, read straight from its file descriptor, so that a signal caught while a read waits
// ends the read: the reader sees the end of the input, with the stream's failed state, and whoever
// reads learns why from pendinginterrupt() (common/interrupts.hpp). Clearing the state makes the next
// read wait for input again.
class descriptorinput : public std::streambuf {
public:
    explicit descriptorinput(int descriptor);
    descriptorinput(const descriptorinput&) = delete;
    descriptorinput& operator=(const descriptorinput&) = delete;

protected:
    int_type underflow() override;

private:
    // Waits until the descriptor has input (or its end), unless a signal is caught first; false then.
    bool awaitinput();

    int descriptor;
    std::array<char, 1 << 16> buffer;
};

// Puts a descriptorinput under std::cin while it lives (main's whole run), the previous one back after.
class consoleinput {
public:
    consoleinput();
    ~consoleinput();
    consoleinput(const consoleinput&) = delete;
    consoleinput& operator=(const consoleinput&) = delete;

private:
    descriptorinput console;
    std::streambuf* previous;
};
