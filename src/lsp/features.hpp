#pragma once

#include "lsp/program.hpp"
#include "lsp/protocol.hpp"

// The answers to the editor's questions about a document, each in the protocol's shape; `at` is a
// position in the document (the program's first file).

// DocumentSymbol[]: functions, classes with their methods, the names assigned outside functions.
json documentsymbols(const outlinedfile& file);

// A Location, or null: a name to its def, class or first assignment, in the document or its modules.
json definitionat(const programfiles& program, const lineposition& at);

// A Hover, or null: a function's parameters, a class's methods, a built-in's one line.
json hoverat(const programfiles& program, const lineposition& at);

// CompletionItem[]: the names in scope, or after a "." the built-in methods and the members stored.
json completionsat(const programfiles& program, const lineposition& at);
