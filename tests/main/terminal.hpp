#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// The built vesk run on a pseudo-terminal, as a user at a terminal runs it: what is typed goes to its
// standard input, and what it writes on standard output and error is read back, line ends as the
// terminal writes them ("\r\n") turned into "\n".
class terminal {
public:
    // Starts `vesk arguments...` in `folder`, with HOME set to `home` (unset when empty) and TERM=dumb.
    terminal(const std::vector<std::string>& arguments, const std::string& folder, const std::string& home);
    ~terminal();
    terminal(const terminal&) = delete;
    terminal& operator=(const terminal&) = delete;

    void type(const std::string& keys);
    void interrupt();  // Ctrl-C as the terminal sends it: SIGINT to the foreground process group

    // Reads until `text` has been written since the end of the text the last wait found; false when
    // it has not come within `limit` (then `seen()` tells what did).
    bool waitfor(const std::string& text, std::chrono::seconds limit = std::chrono::seconds(60));
    // waitfor(prompt), then until the line editor reads the terminal. It writes its prompt before it
    // turns the terminal's own line editing off, and keys typed in between would be taken by the
    // terminal (echoed twice, Ctrl-D turned into an end of input the editor never sees).
    bool waitforprompt(const std::string& prompt, std::chrono::seconds limit = std::chrono::seconds(60));
    // Waits for vesk to end and returns its exit status (-1 when it did not end within `limit`).
    int exitstatus(std::chrono::seconds limit = std::chrono::seconds(60));
    // Everything read so far.
    const std::string& seen() const { return output; }

private:
    bool readsome(std::chrono::steady_clock::time_point deadline);

    int controller = -1;
    std::string device;  // the terminal's other side, where vesk sets its modes
    pid_t child = -1;
    std::string output;
    std::size_t found = 0;
    int status = -1;
};
