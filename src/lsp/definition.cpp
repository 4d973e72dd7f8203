#include "lsp/features.hpp"

#include "lsp/wordat.hpp"

namespace {

json location(const outlinedfile& file, const nameplace& at, std::size_t length) {
    textlines lines(file.text);
    return {{"uri", file.uri}, {"range", rangejson(lines.span(at.line, at.column, length))}};
}

}  // namespace

json definitionat(const programfiles& program, const lineposition& at) {
    textlines lines(program.files.front().text);
    std::optional<wordat> word = wordunder(lines.line(at.line), lines.column(at));
    if (!word) return nullptr;
    if (word->member) {
        std::optional<definedmember> found = findmember(program, word->name);
        if (!found) return nullptr;
        return location(*found->file, found->member->at, found->member->name.size());
    }
    std::optional<definedname> found = findname(program, word->name, at.line);
    if (!found) return nullptr;
    return location(*found->file, found->named->at, found->named->name.size());
}
