#include "lsp/program.hpp"

#include <memory>
#include <set>

#include "lsp/modules.hpp"

programfiles programof(const document& doc, const documentstore& documents) {
    programfiles program;
    program.files.push_back({doc.uri, doc.text, outlineof(doc.text)});
    auto read = std::make_shared<modulesread>();
    moduleresolver resolve = documentmodules(documents, folderof(doc), read);
    std::set<std::string> asked;
    // The list grows while it is walked: each module's own imports are read after it.
    for (std::size_t at = 0; at < program.files.size(); ++at) {
        std::vector<std::string> imports = program.files[at].read.imports;
        for (const std::string& name : imports) {
            if (name == "stdcon") program.stdcon = true;
            std::string filename = name + ".VKEX";
            if (!asked.insert(filename).second) continue;
            moduletext found = resolve(filename);
            auto file = read->find(filename);
            if (found.builtin || found.failure != 0 || file == read->end()) continue;
            program.files.push_back({file->second.uri, found.text, outlineof(found.text)});
        }
    }
    return program;
}

namespace {

const symbol* namedin(const std::vector<symbol>& symbols, std::string_view name) {
    for (const symbol& candidate : symbols)
        if (candidate.name == name) return &candidate;
    return nullptr;
}

std::optional<definedname> findexactly(const programfiles& program, std::string_view name, std::size_t line) {
    const outlinedfile& own = program.files.front();
    if (const symbol* function = functionat(own.read, line)) {
        if (const symbol* local = namedin(function->locals, name)) return definedname{&own, local};
    }
    for (const outlinedfile& file : program.files) {
        const symbol* found = nullptr;
        eachsymbol(file.read, [&](const symbol& each) {
            if (!found && each.name == name && each.kind != symbolkind::method) found = &each;
        });
        if (found) return definedname{&file, found};
    }
    return std::nullopt;
}

}  // namespace

std::optional<definedname> findname(const programfiles& program, std::string_view name, std::size_t line) {
    if (std::optional<definedname> found = findexactly(program, name, line)) return found;
    if (name.size() > 1 && name.front() == 'G') return findexactly(program, name.substr(1), line);
    return std::nullopt;
}

std::optional<definedmember> findmember(const programfiles& program, std::string_view name) {
    for (const outlinedfile& file : program.files)
        for (const memberwrite& member : file.read.members)
            if (member.name == name) return definedmember{&file, &member};
    return std::nullopt;
}
