#pragma once

#include <streambuf>
#include <string>

// The machine prints the finish line itself and does not yet know about quiet runs. Until it reads
// machinereporting::quiet, a quiet run sends standard output through this filter, which drops the
// finish line on its way out and passes everything else through unchanged.
//
// The machine writes the finish line's leading line end as a single character (std::endl) and the
// program's output as whole texts, so only a single-character line end can begin a finish line: the
// text from there is held back while it still reads as a finish line, passed on as soon as it does
// not, and dropped, with all that follows, once it is a complete one.
class finishlinefilter : public std::streambuf {
public:
    explicit finishlinefilter(std::streambuf* target) : target(target) {}

    // Passes on a held text that never became a finish line (the process is ending).
    void release();

protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override { return target->pubsync(); }

private:
    void hold(char c);

    std::streambuf* target;
    std::string held;
    bool holding = false;
    bool finished = false;
};
