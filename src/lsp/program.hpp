#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/documents.hpp"
#include "lsp/outline.hpp"

// A document with the module files it imports, each read for what it defines: where the editor looks
// for a name's definition and for the names to complete.

struct outlinedfile {
    std::string uri;
    std::string text;
    outline read;
};

struct programfiles {
    std::vector<outlinedfile> files;  // the document first, then each module file once, as imported
    bool stdcon = false;              // some file imports the built-in console module
};

// Modules are found as a compilation of the document finds them; the built-in ones define nothing
// that can be shown.
programfiles programof(const document& doc, const documentstore& documents);

// A name's definition: the function or class, or the first assignment.
struct definedname {
    const outlinedfile* file;
    const symbol* named;
};

// A plain name read at `line` of the document: the parameters and names of the function around it,
// then what the files define, the document first. A global (Gx) is also found as x.
std::optional<definedname> findname(const programfiles& program, std::string_view name, std::size_t line);

struct definedmember {
    const outlinedfile* file;
    const memberwrite* member;
};

// Where a member of that name is first stored or defined as a method, in any of the files.
std::optional<definedmember> findmember(const programfiles& program, std::string_view name);
