#pragma once

#include <string>

// A program or module file as the compiler reads it: its lines, each followed by one line feed. A
// carriage return that ends a line belongs to the line end and is dropped, also on a last line without
// a line feed; a carriage return anywhere else stays.
struct sourceread {
    std::string text;
    int failure = 0;  // 0 when the file was read; otherwise the errno of the failed open or read
};

sourceread readsource(const std::string& path);

// Makes a file's bytes the text readsource returns, in place.
void endlines(std::string& text);
