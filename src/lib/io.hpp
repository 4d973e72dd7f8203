#pragma once

#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "vm/native.hpp"

namespace V4VM {

// The stream behind a file object: a file on disk or one of the console streams, in one direction.
// Every copy of a file object shares it: it is the host data of the file object.
struct filestream : hostdata {
    std::ostream* out = nullptr;  // set for objects that write
    std::istream* in = nullptr;   // set for objects that read
    bool console = false;
    bool closed = false;
    bool failed = false;  // a refused write was reported: the end of the run closes it silently
    std::string path;     // as the program named it; "stdout" for the console
    std::unique_ptr<std::ofstream> ownedout;
    std::unique_ptr<std::ifstream> ownedin;

    static std::shared_ptr<filestream> forwriting(const std::string& path);
    static std::shared_ptr<filestream> forreading(const std::string& path);
    static std::shared_ptr<filestream> console_output();
    static std::shared_ptr<filestream> console_input();

    // Writes are buffered, so the system may refuse them at a later write, at close or at the end of
    // the run. A refusal ends the run with a machine error (within module), once per stream; on the
    // console, a closed pipe ends it quietly (consoleclosed).
    void write(const std::string& text);
    // Flushes and closes; the console stays usable and is only flushed.
    void close();
    // The end of the run's close: the report of a refusal not yet reported, empty when none.
    std::string closeatend();

private:
    int refusal();
    void raiseifrefused();
    void closeowned();
};

// The files a program opened, so that every one is flushed and closed when the run ends, however it
// ends: nothing the program wrote is lost. It is the library's state in the machine.
class filetable : public hostlibrary {
public:
    std::shared_ptr<filestream> remember(std::shared_ptr<filestream> stream);

    // A file closes when its stream goes; closing flushes, and a program could see the flush through
    // another file object or a shell command. So the streams of freed file objects stay open, as
    // they would have without the collector, until the run ends.
    void release(std::shared_ptr<hostdata>& data) override;

    // Flushes and closes every file still open; returns the reports of the refusals not yet reported.
    std::vector<std::string> close() override;

private:
    std::vector<std::weak_ptr<filestream>> open;  // weak: a stream goes with its last file object
    std::vector<std::shared_ptr<hostdata>> orphaned;
};

// The file table of a machine the library was opened in.
filetable& files(machine& vm);

// The stream of a file object: "No such param: file" (within module) when it has none.
filestream& streamof(variable& file);

namespace builtin {

// A file object for `type` ("write", "read" or anything else) without a stream.
variable* initfile(machine& vm, const std::string& type);

void openfile(machine& vm, variable* self, const nativeargs& args);
void writefile(machine& vm, variable* self, const nativeargs& args);
void readfile(machine& vm, variable* self, const nativeargs& args);
void getlinefile(machine& vm, variable* self, const nativeargs& args);
void closefile(machine& vm, variable* self, const nativeargs& args);

}  // namespace builtin
}  // namespace V4VM
