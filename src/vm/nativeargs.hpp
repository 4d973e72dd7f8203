#pragma once

#include <cstddef>
#include <span>

#include "vm/scope.hpp"
#include "vm/value.hpp"

namespace V4VM {

// The arguments a native is called with: the values its call popped, first argument first, over the
// scope the call started from. That scope is what a native reads past the popped values: the
// enclosing scope when the native is a block's body (where an "arg0" of the function around may
// stand), the constructor call's scope when it is a constructor. Nothing builds a scope for a
// native's own arguments: it reads them where they are.
class nativeargs {
public:
    nativeargs(std::span<variable* const> popped, const scope& base) : popped(popped), base(base) {}

    // Argument `index`, or null when there is none.
    variable* find(machine& vm, std::size_t index) const {
        return index < popped.size() ? popped[index] : findinbase(vm, index);
    }

private:
    variable* findinbase(machine& vm, std::size_t index) const;

    std::span<variable* const> popped;
    const scope& base;
};

}  // namespace V4VM
