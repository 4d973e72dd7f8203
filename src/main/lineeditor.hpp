#pragma once

#include <functional>
#include <memory>
#include <string>

// Lines typed at a terminal, with line editing and a history of what was typed, through libedit.
class lineeditor {
public:
    enum class result { line, end, interrupted };

    // `historyfile` keeps the history from one session to the next (none when empty). `interrupted`
    // says whether a signal is waiting to be handled: a read it breaks then drops its line.
    lineeditor(std::string historyfile, std::function<bool()> interrupted);
    ~lineeditor();
    lineeditor(const lineeditor&) = delete;
    lineeditor& operator=(const lineeditor&) = delete;

    // Writes `prompt` and reads one line, without its line end.
    result readline(const std::string& prompt, std::string& line);
    // Adds a line typed to the history, and the history to its file.
    void remember(const std::string& line);

    struct state;

private:
    std::unique_ptr<state> editing;
};
