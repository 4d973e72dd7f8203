#pragma once

#include <cstddef>
#include <vector>

#include "vm/scope.hpp"
#include "vm/value.hpp"

namespace V4VM {

// What an instruction still has to do once a body it started has ended: the rest of a constructor
// call, or the next pass of a WHILE or FOR. The body runs as a frame of the one interpreter loop like
// any call, and leaving it resumes the continuation in the same cycle, so that nothing recurses on the
// C++ stack through bodies. A continuation waits for the code stack to come back to `depth` bodies:
// the body it waits for is the one pushed right after it, at depth + 1 (or none, for a native or a
// class without a body of its own, when it resumes at once).
struct continuation {
    enum class kind : unsigned char { construct, whileloop, forloop };
    kind what;
    std::size_t depth;
    variable* instance = nullptr;  // construct: the instance pushed once its constructor has run
    variable* block = nullptr;     // loops: the body, as the function value run for each pass
    scope names{};                 // loops: the scope the next pass starts from
    variable* collection = nullptr;      // FOR: the collection, kept while its elements are run
    // FOR: its elements when the loop started, read in place from a list until the list changes
    // (see machine::beforelistchange): nothing can tell the list's elements from a copy of them.
    std::vector<variable*> elements{};
    bool inplace = false;
    const std::vector<variable*>& snapshot() const { return inplace ? collection->listval() : elements; }
    std::size_t position = 0;            // FOR: the next element to run
    bool elementsold = false;            // FOR: a young collection found the elements old already
};

}  // namespace V4VM
