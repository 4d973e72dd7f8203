#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// The built `vesk` running in a scratch folder, in a process group of its own (so that a signal sent
// to the group reaches it and the commands it starts, as Ctrl-C at a terminal would), with its three
// standard streams on pipes held by the test.
class liverun {
public:
    // Writes `source` to program.VKEX in a fresh folder and starts `vesk OPTIONS... FILE` there.
    liverun(const std::string& source, const std::vector<std::string>& options, const std::string& file = "program.VKEX");
    ~liverun();
    liverun(const liverun&) = delete;
    liverun& operator=(const liverun&) = delete;

    // Reads standard output until it holds `line` as a whole line; false when it ends or a generous
    // timeout passes first.
    bool awaitoutput(const std::string& line);
    // Reads standard error until it holds `text`; false as above.
    bool awaiterror(const std::string& text);
    // Waits until a process of vesk's group runs the program `command` (as /proc names it); false after
    // the timeout.
    bool awaitcommand(const std::string& command);
    void write(const std::string& input);
    void signal(int number);       // to vesk alone
    void signalgroup(int number);  // to vesk and everything it started
    // Waits for the end, reading what is left of both streams; the exit status, or -1 when vesk did not
    // exit by itself (a signal killed it, or it was stuck and the timeout killed it).
    int finish();
    double secondssincestart() const;

    std::string out;
    std::string err;
    std::string folder;

private:
    bool awaitin(int descriptor, std::string& text, const std::string& wanted);

    pid_t child = -1;
    int input = -1;
    int output = -1;
    int errors = -1;
    double started = 0;
};
