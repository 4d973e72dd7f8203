#include "lsp/features.hpp"

#include <set>

#include "lsp/builtindocs.hpp"
#include "lsp/wordat.hpp"

namespace {

// The protocol's CompletionItemKind numbers.
namespace itemkind {
constexpr int method = 2;
constexpr int function = 3;
constexpr int field = 5;
constexpr int variable = 6;
constexpr int classdef = 7;
constexpr int keyword = 14;
}  // namespace itemkind

// The words that begin a keyword statement.
constexpr std::string_view keywords[] = {"if", "while", "for", "def", "class", "also", "return"};

class completions {
public:
    void add(const std::string& label, int kind, std::string_view detail = {}) {
        if (!offered.insert(label).second) return;
        json item = {{"label", label}, {"kind", kind}};
        if (!detail.empty()) item["detail"] = std::string(detail);
        items.push_back(std::move(item));
    }
    json take() { return std::move(items); }

private:
    std::set<std::string> offered;
    json items = json::array();
};

int kindof(const symbol& named) {
    switch (named.kind) {
    case symbolkind::function:
        return itemkind::function;
    case symbolkind::classdef:
        return itemkind::classdef;
    case symbolkind::method:
        return itemkind::method;
    case symbolkind::variable:
        break;
    }
    return itemkind::variable;
}

void addmembers(completions& out, const programfiles& program) {
    for (const outlinedfile& file : program.files) {
        eachsymbol(file.read, [&](const symbol& each) {
            if (each.kind == symbolkind::method) out.add(each.name, itemkind::method);
        });
        for (const memberwrite& member : file.read.members) out.add(member.name, itemkind::field);
    }
    for (const builtindoc& doc : methoddocs()) out.add(std::string(doc.name), itemkind::method, doc.signature);
}

void addnames(completions& out, const programfiles& program, std::size_t line) {
    if (const symbol* function = functionat(program.files.front().read, line)) {
        for (const symbol& local : function->locals) out.add(local.name, itemkind::variable);
    }
    for (const outlinedfile& file : program.files) {
        eachsymbol(file.read, [&](const symbol& each) {
            if (each.kind != symbolkind::method) out.add(each.name, kindof(each));
        });
    }
    for (const builtindoc& doc : rootdocs()) out.add(std::string(doc.name), itemkind::function, doc.signature);
    if (program.stdcon) {
        for (const builtindoc& doc : stdcondocs()) out.add(std::string(doc.name), itemkind::function, doc.signature);
    }
    out.add("Gprogroot", itemkind::variable, "the program root");
    for (std::string_view keyword : keywords) out.add(std::string(keyword), itemkind::keyword);
}

}  // namespace

json completionsat(const programfiles& program, const lineposition& at) {
    textlines lines(program.files.front().text);
    wordat word = wordbefore(lines.line(at.line), lines.column(at));
    completions out;
    if (word.member) {
        addmembers(out, program);
    } else {
        addnames(out, program, at.line);
    }
    return out.take();
}
