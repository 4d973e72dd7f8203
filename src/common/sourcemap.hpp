#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where each byte of a compiled program came from. The bytecode itself carries no positions: the
// compiler records them beside it, so that the machine can name the source line of any instruction it
// runs (also inside nested bodies and functions) and a listing can show where each statement begins.
//
// A byte belongs to the line on which its statement begins; the statements of a body have lines of
// their own, and the bytes a statement emits after its body (the store of a `def`, the LEAVE of a
// `class`) belong to the statement again. Lines count from 1 on the text as read, before any escape is
// translated. Modules compiled by `also` keep their own file name: a module file's name as it was
// opened ("mathutil.VKEX"), the built-in modules "stdcon.VKEX" and "strings.VKEX".

// A file the compiler read.
struct sourcefile {
    std::string name;
    std::string text;  // as compiled: every line ended by a line feed
    std::uint32_t firstline = 1;  // the number of its first line: later for an entry typed at a prompt

    // The text of the line numbered `number` without its line end; empty when there is no such line.
    std::string_view line(std::uint32_t number) const;
};

// The bytes from `start` up to the next run's start came from one line of one file. `statement` is
// set when the run's first byte is the first byte of a statement.
struct positionrun {
    std::uint32_t start;
    std::uint32_t line;
    std::uint32_t file : 31;  // index into the map's files
    std::uint32_t statement : 1;
};

struct sourceposition {
    std::uint32_t file = 0;
    std::uint32_t line = 0;  // 0: no position known
    bool known() const { return line != 0; }
};

// The text of a line (counted from 1) of a text without its line end; empty when there is no such line.
std::string_view lineoftext(std::string_view text, std::uint32_t line);

// Built once, after compilation, and only read afterwards. Lookups by offset cost a binary search over
// the runs, about one run per statement, so the machine may look up every instruction it reports on.
class sourcemap {
public:
    sourcemap() = default;
    // `runs` sorted by start, the first starting at 0, covering a program of `length` bytes; every
    // run's file is an index into `files`.
    sourcemap(std::vector<sourcefile> files, std::vector<positionrun> runs, std::size_t length);

    // The position of the byte at `offset` of the program in execution order: the very vector handed
    // to the machine's loadprogram (offsets inside a nested body count from the program's start too).
    // Unknown past the end.
    sourceposition find(std::size_t offset) const;

    // True when a statement's code begins at `offset`.
    bool startsstatement(std::size_t offset) const;

    // The file's name as the user knows it (the path given on the command line for the program).
    std::string_view filename(const sourceposition& position) const;

    // The text of the position's line without its line end; empty for an unknown position. Costs a
    // scan of the file: meant for the one line an error report shows.
    std::string_view linetext(const sourceposition& position) const;

private:
    std::vector<sourcefile> files;
    std::vector<positionrun> runs;
    std::size_t length = 0;
};
