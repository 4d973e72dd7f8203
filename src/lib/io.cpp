#include "lib/io.hpp"

#include <cerrno>
#include <iostream>
#include <vector>

#include "common/consoleoutput.hpp"
#include "lib/confinement.hpp"

namespace V4VM {

using namespace native;

namespace {

filestream& writablestream(variable* self) {
    filestream& stream = streamof(getreceiver(self));
    if (!stream.out) error("No such param: file", true);
    return stream;
}

filestream& readablestream(variable* self) {
    filestream& stream = streamof(getreceiver(self));
    if (!stream.in) error("No such param: file", true);
    return stream;
}

// A read that a signal ended (standard input waits for it) drops what it read of its line and leaves
// the stream ready for the next read; the run ends.
void endifinterrupted(filestream& stream) {
    if (pendinginterrupt() == 0) return;
    stream.in->clear();
    interrupted();
}

void attachmethod(machine& vm, variable& target, const char* name, mfuncptr native) {
    setmember(vm, target, native::name(vm, name), getnativefunc(vm, native));
}

}  // namespace

std::shared_ptr<filestream> filestream::forwriting(const std::string& path) {
    auto stream = std::make_shared<filestream>();
    stream->ownedout = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc);
    if (!stream->ownedout->is_open()) return nullptr;
    stream->out = stream->ownedout.get();
    stream->path = path;
    return stream;
}

std::shared_ptr<filestream> filestream::forreading(const std::string& path) {
    auto stream = std::make_shared<filestream>();
    // A file that cannot be opened reads as empty: the stream is simply in its failed state.
    stream->ownedin = std::make_unique<std::ifstream>(path);
    stream->in = stream->ownedin.get();
    return stream;
}

std::shared_ptr<filestream> filestream::console_output() {
    auto stream = std::make_shared<filestream>();
    stream->out = &std::cout;
    stream->console = true;
    stream->path = "stdout";
    return stream;
}

std::shared_ptr<filestream> filestream::console_input() {
    auto stream = std::make_shared<filestream>();
    stream->in = &std::cin;
    stream->console = true;
    return stream;
}

// The reason the system refused the last write, flush or close, 0 when it did not or the refusal was
// reported. A file stream keeps no reason of its own: errno is cleared before each operation.
int filestream::refusal() {
    if (failed || out == nullptr) return 0;
    if (console) return takeconsolefailure();
    if (!out->fail()) return 0;
    return errno != 0 ? errno : EIO;
}

void filestream::raiseifrefused() {
    int reason = refusal();
    if (reason == 0) return;
    failed = true;
    if (console && reason == EPIPE) throw consoleclosed{};
    error(writefailure(path, reason), true);
}

void filestream::closeowned() {
    if (ownedout) ownedout->close();
    if (ownedin) ownedin->close();
    closed = true;
}

void filestream::write(const std::string& text) {
    errno = 0;
    *out << text;
    raiseifrefused();
}

void filestream::close() {
    errno = 0;
    if (console) {
        // The console stays usable: closing standard output only pushes out what is buffered.
        if (out) out->flush();
    } else if (!closed) {
        closeowned();
    }
    raiseifrefused();
}

std::string filestream::closeatend() {
    if (console || closed) return "";
    errno = 0;
    closeowned();
    int reason = refusal();
    failed = failed || reason != 0;
    return reason == 0 ? "" : writefailure(path, reason);
}

std::shared_ptr<filestream> filetable::remember(std::shared_ptr<filestream> stream) {
    std::erase_if(open, [](const std::weak_ptr<filestream>& file) { return file.expired(); });
    open.push_back(stream);
    return stream;
}

void filetable::release(std::shared_ptr<hostdata>& data) {
    auto* stream = static_cast<filestream*>(data.get());  // the library keeps nothing else in values
    if (data.use_count() == 1 && !stream->console && !stream->closed) orphaned.push_back(std::move(data));
}

std::vector<std::string> filetable::close() {
    std::vector<std::string> failures;
    for (auto& file : open)
        if (auto stream = file.lock()) {
            std::string failure = stream->closeatend();
            if (!failure.empty()) failures.push_back(std::move(failure));
        }
    open.clear();
    orphaned.clear();
    return failures;
}

filetable& files(machine& vm) { return static_cast<filetable&>(*library(vm)); }

filestream& streamof(variable& file) {
    hostdata* stream = gethostdata(file);
    if (stream == nullptr) error("No such param: file", true);
    return static_cast<filestream&>(*stream);
}

variable* builtin::initfile(machine& vm, const std::string& type) {
    variable* file = newobject(vm);
    file->identifier = vtype::custom_class;
    file->name = native::name(vm, "file");
    if (type == "write") {
        attachmethod(vm, *file, "write", writefile);
    } else if (type == "read") {
        attachmethod(vm, *file, "read", readfile);
        attachmethod(vm, *file, "getline", getlinefile);
    }
    attachmethod(vm, *file, "close", closefile);
    return file;
}

void builtin::openfile(machine& vm, variable*, const nativeargs& args) {
    std::string mode = getarg(vm, args, 1)->getstring(false);
    std::string path = getarg(vm, args, 0)->getstring(false);
    std::string reached = confinedpath(settings(vm), path);
    variable* file = initfile(vm, mode);
    if (mode == "write") {
        auto stream = filestream::forwriting(reached);
        if (!stream) error("Cannot open file for writing: " + path, true);
        sethostdata(*file, files(vm).remember(stream));
    } else if (mode == "read") {
        sethostdata(*file, files(vm).remember(filestream::forreading(reached)));
    }
    pushresult(vm, file);
}

void builtin::writefile(machine& vm, variable* self, const nativeargs& args) {
    filestream& stream = writablestream(self);
    std::string text = getarg(vm, args, 0)->getstring(false);
    if (stream.closed) error("Cannot write to a closed file.", true);
    stream.write(text);
}

void builtin::readfile(machine& vm, variable* self, const nativeargs&) {
    filestream& stream = readablestream(self);
    std::string text;
    std::string line;
    while (!stream.closed && std::getline(*stream.in, line)) {
        endifinterrupted(stream);
        text += line;
        text += '\n';
    }
    endifinterrupted(stream);
    pushresult(vm, newstring(vm, text));
}

void builtin::getlinefile(machine& vm, variable* self, const nativeargs&) {
    filestream& stream = readablestream(self);
    std::string line;
    if (stream.closed || !std::getline(*stream.in, line)) line.clear();
    endifinterrupted(stream);
    pushresult(vm, newstring(vm, line));
}

void builtin::closefile(machine&, variable* self, const nativeargs&) {
    streamof(getreceiver(self)).close();
}

}  // namespace V4VM
