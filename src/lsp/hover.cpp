#include "lsp/features.hpp"

#include "lsp/builtindocs.hpp"
#include "lsp/wordat.hpp"

namespace {

std::string signature(const symbol& function) {
    std::string text = "def " + function.name + "(";
    for (std::size_t i = 0; i < function.parameters.size(); ++i) text += (i ? ", " : "") + function.parameters[i];
    return text + ")";
}

std::string codeblock(const std::string& code) { return "```vesk\n" + code + "\n```"; }

std::string describe(const symbol& named, const outlinedfile& file) {
    switch (named.kind) {
    case symbolkind::function:
    case symbolkind::method:
        return codeblock(signature(named));
    case symbolkind::classdef: {
        std::string text = "class " + named.name;
        for (const symbol& method : named.children) text += "\n    " + signature(method);
        return codeblock(text);
    }
    case symbolkind::variable:
        break;
    }
    textlines lines(file.text);
    std::string_view line = lines.line(named.at.line);
    std::size_t first = line.find_first_not_of(" \t");
    return codeblock(std::string(line.substr(first == std::string_view::npos ? 0 : first))) + "\nfirst assigned at line " +
           std::to_string(named.at.line + 1);
}

std::string describe(const builtindoc& doc) { return codeblock(std::string(doc.signature)) + "\n" + std::string(doc.text); }

const builtindoc* builtinnamed(const std::vector<builtindoc>& docs, std::string_view name) {
    for (const builtindoc& doc : docs)
        if (doc.name == name) return &doc;
    return nullptr;
}

// The method of a class in the program, with its parameters.
const symbol* methodnamed(const programfiles& program, std::string_view name) {
    const symbol* found = nullptr;
    for (const outlinedfile& file : program.files) {
        eachsymbol(file.read, [&](const symbol& each) {
            if (!found && each.kind == symbolkind::method && each.name == name) found = &each;
        });
    }
    return found;
}

std::string memberhover(const programfiles& program, const std::string& name) {
    std::string text;
    if (const symbol* method = methodnamed(program, name)) text = codeblock(signature(*method));
    for (const builtindoc* doc : methodsnamed(name)) text += (text.empty() ? "" : "\n\n") + describe(*doc);
    if (text.empty() && findmember(program, name)) text = "the member `" + name + "`, stored in the program";
    return text;
}

std::string namehover(const programfiles& program, const std::string& name, std::size_t line) {
    if (std::optional<definedname> found = findname(program, name, line)) return describe(*found->named, *found->file);
    std::string plain = name.size() > 1 && name.front() == 'G' ? name.substr(1) : name;
    if (const builtindoc* doc = builtinnamed(rootdocs(), plain)) return describe(*doc);
    if (program.stdcon) {
        if (const builtindoc* doc = builtinnamed(stdcondocs(), name)) return describe(*doc) + "\n(from `also stdcon`)";
    }
    if (name == "Gprogroot") return "the program root, which holds every built-in and every top-level name";
    return "";
}

}  // namespace

json hoverat(const programfiles& program, const lineposition& at) {
    textlines lines(program.files.front().text);
    std::string_view line = lines.line(at.line);
    std::optional<wordat> word = wordunder(line, lines.column(at));
    if (!word) return nullptr;
    std::string text = word->member ? memberhover(program, word->name) : namehover(program, word->name, at.line);
    if (text.empty()) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", text}}},
            {"range", rangejson(lines.span(at.line, word->column, word->name.size()))}};
}
