#include "main/linereader.hpp"

#include <iostream>

// std::cin's buffer for the session: it hands out the input one line at a time from the buffer it
// replaced, and counts the lines as it takes them.
class linereader::countedlines : public std::streambuf {
public:
    countedlines(std::streambuf* source, const std::function<bool()>& interrupted)
        : source(source), interrupted(interrupted) {}

    // The rest of the line the program left unread, or else the next line; false at the end.
    bool takeline(std::string& line) {
        if (gptr() == egptr() && !fetch()) return false;
        line.assign(gptr(), egptr());
        setg(held.data(), held.data() + held.size(), held.data() + held.size());
        if (!line.empty() && line.back() == '\n') line.pop_back();
        return true;
    }
    bool holdsrest() const { return gptr() != egptr(); }
    void countline() { ++lines; }
    std::uint32_t count() const { return lines; }

protected:
    int_type underflow() override {
        if (gptr() == egptr() && !fetch()) return traits_type::eof();
        return traits_type::to_int_type(*gptr());
    }

private:
    // Takes the next line from the source, its line end included where it has one.
    bool fetch() {
        held.clear();
        for (int_type next = source->sbumpc(); !traits_type::eq_int_type(next, traits_type::eof());
             next = source->sbumpc()) {
            held.push_back(traits_type::to_char_type(next));
            if (held.back() == '\n') break;
        }
        // A line a signal broke off is dropped, as any read it ends drops it.
        if (interrupted()) held.clear();
        setg(held.data(), held.data(), held.data() + held.size());
        if (held.empty()) return false;
        ++lines;
        return true;
    }

    std::streambuf* source;
    const std::function<bool()>& interrupted;
    std::string held;
    std::uint32_t lines = 0;
};

linereader::linereader(bool terminal, std::string historyfile, std::function<bool()> interrupted)
    : original(std::cin.rdbuf()),
      interrupted(std::move(interrupted)),
      shared(std::make_unique<countedlines>(original, this->interrupted)) {
    std::cin.rdbuf(shared.get());
    if (terminal) editor = std::make_unique<lineeditor>(std::move(historyfile), this->interrupted);
}

linereader::~linereader() { std::cin.rdbuf(original); }

linereader::result linereader::readline(const std::string& prompt, std::string& line) {
    std::cout.flush();
    if (!editor || shared->holdsrest()) {
        if (shared->takeline(line)) return result::line;
        return interrupted() ? result::interrupted : result::end;
    }
    result got = editor->readline(prompt, line);
    if (got == result::line) shared->countline();
    return got;
}

std::uint32_t linereader::linesread() const { return shared->count(); }

void linereader::remember(const std::string& line) {
    if (editor) editor->remember(line);
}
