#include "vm/filesystem.hpp"

#include <filesystem>
#include <system_error>

#include "vm/diagnostics.hpp"
#include "vm/moduleapi.hpp"
#include "vm/values.hpp"

namespace fs = std::filesystem;

namespace V4VM {

namespace {

// Runs one operation of the filesystem library on the path argument. A failure of the operating
// system ends the program with the method, the path and the system's words for the failure.
template <typename operation>
auto onpath(const scope& args, const std::string& method, operation run) {
    std::string path = moduleapi::getarg(args, "arg0")->getstring(false);
    std::error_code failure;
    auto result = run(fs::path(path), failure);
    if (failure) error(method + " failed for " + path + ": " + failure.message(), true);
    return result;
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
    result->intval = onpath(args, "exists", [](const fs::path& path, std::error_code& failure) {
        return fs::exists(path, failure);
    });
    pushresult(result);
}

void builtin::Fisdir(variable*, const scope& args) {
    variable* result = newint(0);
    result->intval = onpath(args, "isdir", [](const fs::path& path, std::error_code& failure) {
        fs::file_status status = fs::status(path, failure);
        if (status.type() == fs::file_type::not_found) failure.clear();  // a missing path is no directory
        return fs::is_directory(status);
    });
    pushresult(result);
}

void builtin::Fdelete(variable*, const scope& args) {
    onpath(args, "delete", [](const fs::path& path, std::error_code& failure) { return fs::remove(path, failure); });
}

void builtin::Fcreatedir(variable*, const scope& args) {
    onpath(args, "createdir", [](const fs::path& path, std::error_code& failure) {
        return fs::create_directory(path, failure);
    });
}

void builtin::Flistdir(variable*, const scope& args) {
    variable* names = newlist();
    onpath(args, "listdir", [names](const fs::path& path, std::error_code& failure) {
        for (fs::directory_iterator entry(path, failure); !failure && entry != fs::directory_iterator();
             entry.increment(failure))
            names->listval.push_back(newstring(entry->path().filename().string()));
        return true;
    });
    pushresult(names);
}

void builtin::Fcd(variable*, const scope& args) {
    onpath(args, "cd", [](const fs::path& path, std::error_code& failure) {
        fs::current_path(path, failure);
        return true;
    });
}

}  // namespace V4VM
