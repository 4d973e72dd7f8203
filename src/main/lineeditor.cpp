#include "main/lineeditor.hpp"

#include <histedit.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cwchar>

struct lineeditor::state {
    EditLine* editline = nullptr;
    History* history = nullptr;
    HistEvent event{};
    std::string historyfile;
    std::function<bool()> interrupted;
    std::string prompt;
    bool broken = false;  // the last read ended by a signal
};

namespace {

lineeditor::state& stateof(EditLine* editline) {
    void* data = nullptr;
    el_get(editline, EL_CLIENTDATA, &data);
    return *static_cast<lineeditor::state*>(data);
}

const char* promptof(EditLine* editline) { return stateof(editline).prompt.c_str(); }

// Reads one character of standard input for libedit, decoding it as the locale says. A signal that
// breaks the read ends the line only when it was an interrupt; any other (a resized window) reads on.
int readcharacter(EditLine* editline, wchar_t* character) {
    lineeditor::state& editing = stateof(editline);
    std::mbstate_t decoding{};
    for (;;) {
        if (editing.interrupted()) {  // caught before the read began
            editing.broken = true;
            return -1;
        }
        char byte = 0;
        ssize_t got = ::read(STDIN_FILENO, &byte, 1);
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR && !editing.interrupted()) continue;
            editing.broken = errno == EINTR;
            return -1;
        }
        std::size_t used = std::mbrtowc(character, &byte, 1, &decoding);
        if (used == static_cast<std::size_t>(-2)) continue;  // more bytes to come
        if (used == static_cast<std::size_t>(-1)) {
            // Not a character of the locale: taken as the byte's own code, so that nothing is dropped.
            *character = static_cast<unsigned char>(byte);
            decoding = {};
        }
        return 1;
    }
}

// Non-ASCII text is edited as characters only in a UTF-8 locale; the usual "C" one knows none.
void choosecharacters() {
    const char* chosen = std::setlocale(LC_CTYPE, "");
    std::string name = chosen != nullptr ? chosen : "";
    if (name.find("UTF-8") == std::string::npos && name.find("utf8") == std::string::npos)
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

}  // namespace

lineeditor::lineeditor(std::string historyfile, std::function<bool()> interrupted)
    : editing(std::make_unique<state>()) {
    choosecharacters();
    editing->historyfile = std::move(historyfile);
    editing->interrupted = std::move(interrupted);
    editing->history = history_init();
    history(editing->history, &editing->event, H_SETSIZE, 1000);
    history(editing->history, &editing->event, H_SETUNIQUE, 1);
    if (!editing->historyfile.empty()) history(editing->history, &editing->event, H_LOAD, editing->historyfile.c_str());
    editing->editline = el_init("vesk", stdin, stdout, stderr);
    el_set(editing->editline, EL_CLIENTDATA, editing.get());
    el_set(editing->editline, EL_EDITOR, "emacs");
    el_set(editing->editline, EL_PROMPT, promptof);
    el_set(editing->editline, EL_HIST, history, editing->history);
    el_set(editing->editline, EL_GETCFN, readcharacter);
    el_source(editing->editline, nullptr);  // the user's own ~/.editrc, where there is one
}

lineeditor::~lineeditor() {
    el_end(editing->editline);
    history_end(editing->history);
}

lineeditor::result lineeditor::readline(const std::string& prompt, std::string& line) {
    editing->prompt = prompt;
    editing->broken = false;
    int count = 0;
    const char* text = el_gets(editing->editline, &count);
    if (text == nullptr || count <= 0) {
        // What comes next (the next prompt, the shell's) starts a line of its own.
        std::fputs("\n", stdout);
        std::fflush(stdout);
        return editing->broken ? result::interrupted : result::end;
    }
    line.assign(text, static_cast<std::size_t>(count));
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return result::line;
}

void lineeditor::remember(const std::string& line) {
    if (line.find_first_not_of(" \t") == std::string::npos) return;
    history(editing->history, &editing->event, H_ENTER, line.c_str());
    if (!editing->historyfile.empty()) history(editing->history, &editing->event, H_SAVE, editing->historyfile.c_str());
}
