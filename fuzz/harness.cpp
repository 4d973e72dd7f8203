#include "harness.hpp"

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <streambuf>

#include "common/process.hpp"

namespace fs = std::filesystem;

namespace {

// Accepts every byte and keeps none. The put area takes most writes without a virtual call.
class discardingbuffer : public std::streambuf {
public:
    discardingbuffer() { setp(space, space + sizeof space); }

protected:
    int_type overflow(int_type c) override {
        setp(space, space + sizeof space);
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }

private:
    char space[4096];
};

// A console stream switched to another buffer until this goes, with its flags and state as they were.
class borrowedstream {
public:
    borrowedstream(std::ios& stream, std::streambuf* replacement) : stream(stream), kept(stream.rdbuf(replacement)) {
        format.copyfmt(stream);
    }
    ~borrowedstream() {
        stream.rdbuf(kept);
        stream.clear();
        stream.copyfmt(format);
    }
    borrowedstream(const borrowedstream&) = delete;
    borrowedstream& operator=(const borrowedstream&) = delete;

private:
    std::ios& stream;
    std::streambuf* kept;
    std::ios format{nullptr};
};

// The folder each input starts in, one per process so that replays side by side never meet; it goes
// when the process ends.
class scratchfolder {
public:
    scratchfolder()
        : path(fs::temp_directory_path() / ("vesk-fuzz-" + std::to_string(getpid()))), home(fs::current_path()) {}
    ~scratchfolder() {
        std::error_code ignored;
        fs::current_path(home, ignored);
        fs::remove_all(path, ignored);
    }
    scratchfolder(const scratchfolder&) = delete;
    scratchfolder& operator=(const scratchfolder&) = delete;

    // Empty again (a program may even have deleted it) and the working directory.
    void enter() {
        fs::create_directories(path);
        for (const fs::directory_entry& entry : fs::directory_iterator(path)) fs::remove_all(entry.path());
        fs::current_path(path);
    }
    void leave() { fs::current_path(home); }

    const fs::path path;
    const fs::path home;
};

scratchfolder& scratch() {
    static scratchfolder folder;
    return folder;
}

}  // namespace

runsettings sandboxsettings(bool quiet) {
    runsettings settings;
    settings.quiet = quiet;
    settings.maxsteps = fuzzsteps;
    settings.maxmemory = fuzzmemory;
    settings.confinedto = scratch().path.string();
    settings.noshell = true;
    return settings;
}

void runisolated(const std::function<void()>& work) {
    static discardingbuffer discarded;
    std::istringstream nothing;
    scratch().enter();
    {
        borrowedstream input(std::cin, nothing.rdbuf());
        borrowedstream output(std::cout, &discarded);
        borrowedstream errors(std::cerr, &discarded);
        try {
            runonlargestack(work);
        } catch (const processended&) {
        }
    }
    scratch().leave();
}
