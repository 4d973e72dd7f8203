#include "vm/files.hpp"

#include <iostream>
#include <vector>

#include "vm/diagnostics.hpp"
#include "vm/moduleapi.hpp"
#include "vm/values.hpp"

namespace V4VM {

namespace {

// Streams opened on disk; weak, so that a stream whose file objects are all gone is closed with them.
std::vector<std::weak_ptr<filestream>>& openfiles() {
    static std::vector<std::weak_ptr<filestream>> files;
    return files;
}

std::shared_ptr<filestream> remember(std::shared_ptr<filestream> stream) {
    auto& files = openfiles();
    std::erase_if(files, [](const std::weak_ptr<filestream>& file) { return file.expired(); });
    files.push_back(stream);
    return stream;
}

filestream& writablestream(variable* self) {
    filestream& stream = moduleapi::getparam(moduleapi::getreceiver(self), "file");
    if (!stream.out) error("No such param: file", true);
    return stream;
}

filestream& readablestream(variable* self) {
    filestream& stream = moduleapi::getparam(moduleapi::getreceiver(self), "file");
    if (!stream.in) error("No such param: file", true);
    return stream;
}

void attachmethod(variable& target, const std::string& name, mfuncptr native) {
    target.attributes[name] = getnativefunc(native);
}

}  // namespace

std::shared_ptr<filestream> filestream::forwriting(const std::string& path) {
    auto stream = std::make_shared<filestream>();
    stream->ownedout = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc);
    if (!stream->ownedout->is_open()) return nullptr;
    stream->out = stream->ownedout.get();
    return remember(stream);
}

std::shared_ptr<filestream> filestream::forreading(const std::string& path) {
    auto stream = std::make_shared<filestream>();
    // A file that cannot be opened reads as empty: the stream is simply in its failed state.
    stream->ownedin = std::make_unique<std::ifstream>(path);
    stream->in = stream->ownedin.get();
    return remember(stream);
}

std::shared_ptr<filestream> filestream::console_output() {
    auto stream = std::make_shared<filestream>();
    stream->out = &std::cout;
    stream->console = true;
    return stream;
}

std::shared_ptr<filestream> filestream::console_input() {
    auto stream = std::make_shared<filestream>();
    stream->in = &std::cin;
    stream->console = true;
    return stream;
}

void filestream::close() {
    if (console) {
        // The console stays usable: closing standard output only pushes out what is buffered.
        if (out) out->flush();
        return;
    }
    if (ownedout) ownedout->close();
    if (ownedin) ownedin->close();
    closed = true;
}

void closeallfiles() {
    for (auto& file : openfiles()) {
        if (auto stream = file.lock()) stream->close();
    }
    openfiles().clear();
}

filestream& moduleapi::getparam(variable& target, const std::string& key) {
    auto found = target.moduleparams.find(key);
    if (found == target.moduleparams.end() || !found->second) error("No such param: " + key, true);
    return *found->second;
}

variable* builtin::initfile(const std::string& type) {
    variable* file = getallocvar();
    file->identifier = vtype::custom_class;
    file->name = "file";
    if (type == "write") {
        attachmethod(*file, "write", writefile);
    } else if (type == "read") {
        attachmethod(*file, "read", readfile);
        attachmethod(*file, "getline", getlinefile);
    }
    attachmethod(*file, "close", closefile);
    return file;
}

void builtin::openfile(variable*, const scope& args) {
    std::string mode = moduleapi::getarg(args, "arg1")->getstring(false);
    std::string path = moduleapi::getarg(args, "arg0")->getstring(false);
    variable* file = initfile(mode);
    if (mode == "write") {
        auto stream = filestream::forwriting(path);
        if (!stream) error("Cannot open file for writing: " + path, true);
        file->moduleparams["file"] = stream;
    } else if (mode == "read") {
        file->moduleparams["file"] = filestream::forreading(path);
    }
    pushresult(file);
}

void builtin::writefile(variable* self, const scope& args) {
    filestream& stream = writablestream(self);
    std::string text = moduleapi::getarg(args, "arg0")->getstring(false);
    if (stream.closed) error("Cannot write to a closed file.", true);
    *stream.out << text;
}

void builtin::readfile(variable* self, const scope&) {
    filestream& stream = readablestream(self);
    std::string text;
    std::string line;
    while (!stream.closed && std::getline(*stream.in, line)) {
        text += line;
        text += '\n';
    }
    pushresult(newstring(std::move(text)));
}

void builtin::getlinefile(variable* self, const scope&) {
    filestream& stream = readablestream(self);
    std::string line;
    if (stream.closed || !std::getline(*stream.in, line)) line.clear();
    pushresult(newstring(std::move(line)));
}

void builtin::closefile(variable* self, const scope&) {
    moduleapi::getparam(moduleapi::getreceiver(self), "file").close();
}

}  // namespace V4VM
