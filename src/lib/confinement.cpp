#include "lib/confinement.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace V4VM {

namespace {

// Whether `path`, resolved from the working directory through every link that exists, lies inside
// `folder`. A path the system cannot resolve is outside, and so is one with a NUL byte: the system
// would read only the part before it, which the check never saw.
bool inside(const std::string& folder, const std::string& path) {
    if (path.find('\0') != std::string::npos) return false;
    std::error_code failure;
    fs::path root = fs::canonical(folder, failure);
    if (failure) return false;
    fs::path absolute = fs::absolute(path, failure);
    if (failure) return false;
    fs::path resolved = fs::weakly_canonical(absolute, failure);
    if (failure) return false;
    return std::mismatch(root.begin(), root.end(), resolved.begin(), resolved.end()).first == root.end();
}

}  // namespace

std::string confinedpath(const runsettings& settings, const std::string& path) {
    if (settings.confinedto.empty() || inside(settings.confinedto, path)) return path;
    return "";
}

}  // namespace V4VM
