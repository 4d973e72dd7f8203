#include "vm/filesystem.hpp"

#include <filesystem>
#include <system_error>

#include "vm/diagnostics.hpp"
#include "vm/moduleapi.hpp"
#include "vm/values.hpp"

namespace fs = std::filesystem;

namespace V4VM {

namespace {

std::string patharg(const scope& args) { return moduleapi::getarg(args, "arg0")->getstring(false); }

// A failure of the operating system ends the program with the method, the path and the system's words.
void checked(const std::error_code& failure, const std::string& method, const std::string& path) {
    if (failure) error(method + " failed for " + path + ": " + failure.message(), true);
}

}  // namespace

variable* getfilesys() {
    variable* filesystem = getallocvar();
    filesystem->identifier = vtype::builtin_class;
    filesystem->name = "FILESYSTEM";
    filesystem->attributes["exists"] = getmodulevar(builtin::Fexists);
    filesystem->attributes["isdir"] = getmodulevar(builtin::Fisdir);
    filesystem->attributes["delete"] = getmodulevar(builtin::Fdelete);
    filesystem->attributes["createdir"] = getmodulevar(builtin::Fcreatedir);
    filesystem->attributes["listdir"] = getmodulevar(builtin::Flistdir);
    filesystem->attributes["cd"] = getmodulevar(builtin::Fcd);
    return filesystem;
}

void builtin::Fexists(variable*, const scope& args) {
    variable* result = newint(0);
    std::string path = patharg(args);
    std::error_code failure;
    result->intval = fs::exists(fs::path(path), failure) ? 1 : 0;
    checked(failure, "exists", path);
    pushresult(result);
}

void builtin::Fisdir(variable*, const scope& args) {
    variable* result = newint(0);
    std::string path = patharg(args);
    std::error_code failure;
    fs::file_status status = fs::status(fs::path(path), failure);
    if (status.type() == fs::file_type::not_found) failure.clear();
    checked(failure, "isdir", path);
    result->intval = fs::is_directory(status) ? 1 : 0;
    pushresult(result);
}

void builtin::Fdelete(variable*, const scope& args) {
    std::string path = patharg(args);
    std::error_code failure;
    fs::remove(fs::path(path), failure);
    checked(failure, "delete", path);
}

void builtin::Fcreatedir(variable*, const scope& args) {
    std::string path = patharg(args);
    std::error_code failure;
    fs::create_directory(fs::path(path), failure);
    checked(failure, "createdir", path);
}

void builtin::Flistdir(variable*, const scope& args) {
    variable* names = newlist();
    std::string path = patharg(args);
    std::error_code failure;
    fs::directory_iterator entry(fs::path(path), failure);
    checked(failure, "listdir", path);
    for (; entry != fs::directory_iterator(); entry.increment(failure)) {
        names->listval.push_back(newstring(entry->path().filename().string()));
    }
    checked(failure, "listdir", path);
    pushresult(names);
}

void builtin::Fcd(variable*, const scope& args) {
    std::string path = patharg(args);
    std::error_code failure;
    fs::current_path(fs::path(path), failure);
    checked(failure, "cd", path);
}

}  // namespace V4VM
