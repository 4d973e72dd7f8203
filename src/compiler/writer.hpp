#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"
#include "common/sourcemap.hpp"

// The statement being compiled: its file and line, and whether its first byte is still to come.
struct emitposition {
    std::uint32_t file = 0;
    std::uint32_t line = 0;
    bool statementstart = false;
};

// The one place where bytecode bytes come into being, for one compilation. A byte goes to the program
// or, while a length-prefixed body is open, to the innermost open body's buffer; every byte is tagged
// with the position of the statement being compiled.
class bytewriter {
public:
    void add(byte target);
    void add(const std::vector<byte>& target);

    // 32-bit two's complement, most significant byte first.
    void addint(int target);

    // The string's bytes and a terminating 0.
    void addstring(std::string_view target);

    // Opens a length-prefixed body: the bytes from here on are its own until it is closed.
    void openbody() { openbodies += 1; }

    // Closes the innermost open body: its length, then its bytes, land in the enclosing one.
    void closebody();

    // The statement whose bytes come next, and its first byte not yet written.
    emitposition position;

    // The program in emission order and where its bytes came from; whole once every body is closed.
    const std::vector<byte>& bytes() const { return program; }
    std::vector<byte> takebytes() { return std::move(program); }
    std::vector<positionrun> takeruns() { return std::move(programruns); }

private:
    // The bytes of an open body that has received any. Each remembers the body it was made for, so that
    // a body that received no byte closes as an empty one instead of taking its parent's buffer.
    struct pendingbody {
        int level = 0;
        std::vector<byte> bytes;
        std::vector<positionrun> runs;
    };
    struct emittarget {
        std::vector<byte>& bytes;
        std::vector<positionrun>& runs;
    };

    emittarget currenttarget();
    void notebyte(std::vector<positionrun>& runs, std::size_t offset);

    std::vector<byte> program;
    std::vector<positionrun> programruns;
    int openbodies = 0;
    std::vector<pendingbody> pending;  // the top is the innermost
};
