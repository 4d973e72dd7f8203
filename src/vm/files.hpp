#pragma once

#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>

#include "vm/scope.hpp"
#include "vm/values.hpp"

namespace V4VM {

// The stream behind a file object: a file on disk or one of the console streams, in one direction.
// Every copy of a file object shares it.
struct filestream {
    std::ostream* out = nullptr;  // set for objects that write
    std::istream* in = nullptr;   // set for objects that read
    bool console = false;
    bool closed = false;
    std::unique_ptr<std::ofstream> ownedout;
    std::unique_ptr<std::ifstream> ownedin;

    static std::shared_ptr<filestream> forwriting(const std::string& path);
    static std::shared_ptr<filestream> forreading(const std::string& path);
    static std::shared_ptr<filestream> console_output();
    static std::shared_ptr<filestream> console_input();

    void close();
};

// Flushes and closes every file a program still has open, so that nothing it wrote is lost however
// the process ends.
void closeallfiles();

namespace moduleapi {

// The host data stored under `key`: "No such param: " and the key (within module) when absent.
filestream& getparam(variable& target, const std::string& key);

}  // namespace moduleapi

namespace builtin {

// A file object for `type` ("write", "read" or anything else) without a stream.
variable* initfile(const std::string& type);

void openfile(variable* self, const scope& args);
void writefile(variable* self, const scope& args);
void readfile(variable* self, const scope& args);
void getlinefile(variable* self, const scope& args);
void closefile(variable* self, const scope& args);

}  // namespace builtin
}  // namespace V4VM
