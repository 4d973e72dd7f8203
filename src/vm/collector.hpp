#pragma once

#include <cstddef>
#include <vector>

#include "vm/scope.hpp"
#include "vm/values.hpp"

// Frees the heap values a program can no longer reach (mark and sweep over the registry of values).
namespace V4VM {

// Collects when enough values were made since the last collection. Called only between instructions:
// no value may then be held by a C++ local alone, except through a keepalive.
void collectifdue();

// Marks from every root of the machine and frees every value left unmarked.
void collectgarbage();

// Collection is due once this many values, and at least as many as survived the last collection, were
// made since it, so that its cost per value made stays bounded and the heap at most about doubles the
// live values; 0 collects before every instruction.
void setcollectionthreshold(std::size_t minimum);
inline constexpr std::size_t defaultcollectionthreshold = 10000;

// Forgets pinned roots and the streams of freed file objects; used when the machine is reset.
void resetcollector();

// Keeps values held only by C++ locals alive while an instruction runs nested bodies. The referenced
// object must outlive the guard; guards end in the reverse order of their making.
class keepalive {
public:
    explicit keepalive(variable* value);
    explicit keepalive(const scope& names);
    explicit keepalive(const std::vector<variable*>& values);
    ~keepalive();
    keepalive(const keepalive&) = delete;
    keepalive& operator=(const keepalive&) = delete;

private:
    std::size_t depth;
};

}  // namespace V4VM
