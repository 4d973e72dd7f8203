#include "lsp/modules.hpp"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/sourcetext.hpp"
#include "compiler/tables.hpp"
#include "lsp/uri.hpp"

namespace fs = std::filesystem;

std::optional<std::string> folderof(const document& doc) {
    if (!doc.path) return std::nullopt;
    return fs::path(*doc.path).parent_path().string();
}

namespace {

std::vector<std::string> candidates(const std::optional<std::string>& folder, const std::string& filename) {
    std::vector<std::string> paths;
    if (folder) paths.push_back((fs::path(*folder) / filename).lexically_normal().string());
    std::error_code failure;
    fs::path here = fs::current_path(failure);
    if (!failure) paths.push_back((here / filename).lexically_normal().string());
    return paths;
}

}  // namespace

moduleresolver documentmodules(const documentstore& documents, std::optional<std::string> folder,
                               std::shared_ptr<modulesread> read) {
    return [&documents, folder = std::move(folder), read](const std::string& filename) -> moduletext {
        auto builtin = builtinmodules.find(filename);
        if (builtin != builtinmodules.end()) return {builtin->second, 0, true};
        for (const std::string& path : candidates(folder, filename)) {
            moduletext found;
            if (const document* open = documents.findpath(path)) {
                found.text = open->text;
                endlines(found.text);
            } else {
                sourceread file = readsource(path);
                if (file.failure == ENOENT) continue;
                found = {std::move(file.text), file.failure, false};
            }
            if (found.failure == 0) (*read)[filename] = {uriofpath(path), found.text};
            return found;
        }
        return {"", ENOENT, false};
    };
}
