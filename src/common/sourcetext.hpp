#pragma once

#include <string>

// The file's lines, each followed by one line end, as programs and modules are read; a file that
// cannot be read gives the empty text.
std::string readsource(const std::string& path);
