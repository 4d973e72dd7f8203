#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "lsp/documents.hpp"
#include "lsp/textlines.hpp"

// What the editor shows of a compilation: every warning of `vesk -w`, and the compile error or
// splitter failure that stops it, each at the text it is about.

enum class severity { error = 1, warning = 2 };

struct diagnostic {
    linerange range;
    severity level;
    std::string message;
    std::optional<std::string> rewrite;  // replaces the text of `range`
};

// The diagnostics of one compilation, by the URI of the file each stands in: the document's own
// (present even when empty), then those of the module files it read that have any.
using diagnosedfiles = std::map<std::string, std::vector<diagnostic>>;

diagnosedfiles diagnose(const document& doc, const documentstore& documents);
