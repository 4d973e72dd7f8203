#pragma once

#include <ostream>
#include <sstream>
#include <string>

// Holds what is written to a stream for as long as it lives, instead of letting it through: for
// running parts of the compiler whose reports are not wanted.
class capturedstream {
public:
    explicit capturedstream(std::ostream& stream) : stream(stream), previous(stream.rdbuf(captured.rdbuf())) {}
    ~capturedstream() { stream.rdbuf(previous); }
    capturedstream(const capturedstream&) = delete;
    capturedstream& operator=(const capturedstream&) = delete;
    std::string text() const { return captured.str(); }

private:
    std::ostringstream captured;
    std::ostream& stream;
    std::streambuf* previous;
};
