#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <streambuf>
#include <string>

#include "main/lineeditor.hpp"

// Standard input as a session at a prompt reads it. The prompt's lines and the program's own reads of
// stdin come from one reader in the order they are asked for, so that piped input loses no line, and
// every line is counted, so that an entry knows its line number in the session's input.
class linereader {
public:
    using result = lineeditor::result;

    // Takes std::cin's buffer over while it lives. On a terminal the prompt's lines are edited (see
    // lineeditor, which `historyfile` is for); elsewhere no prompt is written. `interrupted` says
    // whether a signal is waiting to be handled: a read it ends drops its line.
    linereader(bool terminal, std::string historyfile, std::function<bool()> interrupted);
    ~linereader();
    linereader(const linereader&) = delete;
    linereader& operator=(const linereader&) = delete;

    // The next line for the prompt, without its line end.
    result readline(const std::string& prompt, std::string& line);
    // Lines read so far, by the prompt and the program together.
    std::uint32_t linesread() const;
    // Keeps a line typed in the history of a terminal.
    void remember(const std::string& line);

    class countedlines;

private:
    std::streambuf* original;
    std::function<bool()> interrupted;
    std::unique_ptr<countedlines> shared;
    std::unique_ptr<lineeditor> editor;
};
