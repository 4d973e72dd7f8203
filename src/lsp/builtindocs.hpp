#pragma once

#include <string_view>
#include <vector>

// One line about each built-in function and method, for hovers and completions.

struct builtindoc {
    std::string_view name;
    std::string_view signature;  // as it is called; a method with the kind of value it belongs to
    std::string_view text;
};

// The program root's names, every one of them (lib/programroot.hpp), as any program sees them.
const std::vector<builtindoc>& rootdocs();

// What `also stdcon` defines.
const std::vector<builtindoc>& stdcondocs();

// The methods of strings, lists, dictionaries, pointers, files and the filesystem object.
const std::vector<builtindoc>& methoddocs();

// The methods of that name, of every kind of value that has one.
std::vector<const builtindoc*> methodsnamed(std::string_view name);
