#pragma once

#include <cstddef>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/request.hpp"

// What the warnings pass knows while it reads a program the way the compiler does.

// One source file: the program, a module file or a built-in module.
struct warnfile {
    std::string name;  // as warnings show it
    std::string text;  // as read, before any escape is translated
    bool builtin;      // nothing inside a built-in module is warned about
    int firstline;     // the number of the text's first line
    std::vector<std::size_t> linestarts;

    warnfile(std::string name, std::string text, bool builtin, int firstline = 1);
    int lineat(std::size_t offset) const;
    // Bytes from the start of the offset's line.
    std::size_t columnat(std::size_t offset) const;
};

// A token of a statement, with the place in its file where it begins.
struct token {
    std::string text;
    std::size_t offset;
};

struct warning {
    const warnfile* file;
    int line;
    std::size_t column;
    std::string message;
};

// A name read by an operand, checked at the end against every name the program assigns.
struct nameread {
    std::string name;
    bool global;
    const warnfile* file;
    int line;
    std::size_t column;
    std::string hint;  // said instead of the usual advice, when the read has a likelier cause
};

// Where an expression's text comes from: a token of the current file. Pieces of the expression are
// placed on the line where their text first appears in the token.
struct place {
    std::string_view raw;
    std::size_t offset;
};

// A compile error met while reading (or the compiler's own, compileerror): the compiler reports it;
// the pass stops.
struct walkstopped {};

struct warnstate {
    std::deque<warnfile> files;  // the program first, then the modules in the order they are imported
    const moduleresolver* modules = nullptr;  // where `also` finds a module
    const warnfile* file = nullptr;
    std::vector<warning> found;
    std::vector<nameread> reads;
    std::set<std::string> plainassigned;
    std::set<std::string> globalassigned;
    std::set<std::string> walkedmodules;
    int entered = 0;                   // inside blocks of $@, where @NAME = v can store a name on the program root
    std::vector<std::string> blanked;  // what the operands of one expression token compile to, blanks and all
    std::size_t blankat = 0;           // where the first of them is
    std::string negated;               // X, for an operand written "not X"
    bool readsrecorded = true;
    int blockdepth = 0;
    int expressiondepth = 0;

    void report(std::size_t offset, std::string message);
    void read(const std::string& name, bool global, std::size_t offset, std::string hint = "");
};

// The file offset of the first appearance of `piece` in the place's text (its start when absent).
std::size_t pieceoffset(const place& where, std::string_view piece);
