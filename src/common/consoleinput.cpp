#include "common/consoleinput.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "common/interrupts.hpp"

descriptorinput::descriptorinput(int descriptor) : descriptor(descriptor) {
    setg(buffer.data(), buffer.data(), buffer.data());
}

bool descriptorinput::awaitinput() {
    // The signals wait while the note is read, and come in only inside ppoll: one caught between the
    // test and the wait still ends the wait.
    interruptsblocked blocked;
    for (;;) {
        if (pendinginterrupt() != 0) return false;
        pollfd wanted{descriptor, POLLIN, 0};
        if (::ppoll(&wanted, 1, nullptr, &blocked.before()) >= 0) return true;
        if (errno != EINTR) return true;  // let read() meet the failure and report the end
    }
}

descriptorinput::int_type descriptorinput::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    for (;;) {
        if (!awaitinput()) return traits_type::eof();
        ssize_t got = ::read(descriptor, buffer.data(), buffer.size());
        if (got > 0) {
            setg(buffer.data(), buffer.data(), buffer.data() + got);
            return traits_type::to_int_type(*gptr());
        }
        if (got == 0 || errno != EINTR) return traits_type::eof();
    }
}

consoleinput::consoleinput() : console(STDIN_FILENO), previous(std::cin.rdbuf(&console)) {}

consoleinput::~consoleinput() { std::cin.rdbuf(previous); }
