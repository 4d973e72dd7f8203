#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "compiler/request.hpp"
#include "lsp/documents.hpp"

// How the server finds the file of `also NAME` for a document: the built-in modules, then NAME.VKEX in
// the document's folder, then in the working directory; an open document of that path is read instead
// of the file.

// A module file as one compilation read it.
struct modulefile {
    std::string uri;
    std::string text;  // as compiled: every line ending in a line feed
};

// The module files a compilation read, by the file name `also` asked for ("NAME.VKEX").
using modulesread = std::map<std::string, modulefile>;

// The folder of a document's file, none for a document that is no file.
std::optional<std::string> folderof(const document& doc);

// A resolver that records in `read` every module file it finds; the built-in modules are not recorded.
moduleresolver documentmodules(const documentstore& documents, std::optional<std::string> folder,
                               std::shared_ptr<modulesread> read);
