#include "lib/filesystem.hpp"

#include <filesystem>
#include <system_error>

#include "lib/confinement.hpp"

namespace fs = std::filesystem;

namespace V4VM {

using namespace native;

namespace {

// Runs one operation of the filesystem library on the path argument. A failure of the operating
// system ends the program with the method, the path and the system's words for the failure.
template <typename operation>
auto onpath(machine& vm, const nativeargs& args, const std::string& method, operation run) {
    std::string path = getarg(vm, args, 0)->getstring(false);
    std::error_code failure;
    auto result = run(fs::path(confinedpath(settings(vm), path)), failure);
    if (failure) error(method + " failed for " + path + ": " + failure.message(), true);
    return result;
}

}  // namespace

variable* getfilesys(machine& vm) {
    variable* filesystem = newobject(vm);
    filesystem->identifier = vtype::builtin_class;
    filesystem->name = name(vm, "FILESYSTEM");
    setmember(vm, *filesystem, name(vm, "exists"), getmodulevar(vm, builtin::Fexists));
    setmember(vm, *filesystem, name(vm, "isdir"), getmodulevar(vm, builtin::Fisdir));
    setmember(vm, *filesystem, name(vm, "delete"), getmodulevar(vm, builtin::Fdelete));
    setmember(vm, *filesystem, name(vm, "createdir"), getmodulevar(vm, builtin::Fcreatedir));
    setmember(vm, *filesystem, name(vm, "listdir"), getmodulevar(vm, builtin::Flistdir));
    setmember(vm, *filesystem, name(vm, "cd"), getmodulevar(vm, builtin::Fcd));
    return filesystem;
}

void builtin::Fexists(machine& vm, variable*, const nativeargs& args) {
    variable* result = newint(vm, 0);
    result->intval = onpath(vm, args, "exists", [](const fs::path& path, std::error_code& failure) {
        return fs::exists(path, failure);
    });
    pushresult(vm, result);
}

void builtin::Fisdir(machine& vm, variable*, const nativeargs& args) {
    variable* result = newint(vm, 0);
    result->intval = onpath(vm, args, "isdir", [](const fs::path& path, std::error_code& failure) {
        fs::file_status status = fs::status(path, failure);
        if (status.type() == fs::file_type::not_found) failure.clear();  // a missing path is no directory
        return fs::is_directory(status);
    });
    pushresult(vm, result);
}

void builtin::Fdelete(machine& vm, variable*, const nativeargs& args) {
    onpath(vm, args, "delete", [](const fs::path& path, std::error_code& failure) { return fs::remove(path, failure); });
}

void builtin::Fcreatedir(machine& vm, variable*, const nativeargs& args) {
    onpath(vm, args, "createdir", [](const fs::path& path, std::error_code& failure) {
        return fs::create_directory(path, failure);
    });
}

void builtin::Flistdir(machine& vm, variable*, const nativeargs& args) {
    variable* names = newlist(vm);
    onpath(vm, args, "listdir", [&vm, names](const fs::path& path, std::error_code& failure) {
        for (fs::directory_iterator entry(path, failure); !failure && entry != fs::directory_iterator();
             entry.increment(failure))
            names->listval().push_back(newstring(vm, entry->path().filename().string()));
        return true;
    });
    pushresult(vm, names);
}

void builtin::Fcd(machine& vm, variable*, const nativeargs& args) {
    onpath(vm, args, "cd", [](const fs::path& path, std::error_code& failure) {
        fs::current_path(path, failure);
        return true;
    });
}

}  // namespace V4VM
