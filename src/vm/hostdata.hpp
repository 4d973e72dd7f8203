#pragma once

#include <memory>
#include <string>
#include <vector>

namespace V4VM {

// What the library keeps in a value, such as a file object's stream. The machine carries it without
// knowing what it is: every copy of the value shares it, and when the collector frees a value that
// holds it, the library's release hook sees it first.
class hostdata {
public:
    virtual ~hostdata() = default;
};

// The library's own state in a machine, with the hooks the machine calls.
class hostlibrary {
public:
    virtual ~hostlibrary() = default;
    // The collector frees a value holding `data`: the library may take it over before it goes.
    virtual void release(std::shared_ptr<hostdata>& data) = 0;
    // The run has ended: the library lets go of what it holds and returns the failures met on the
    // way, to be reported without a place.
    virtual std::vector<std::string> close() = 0;
};

}  // namespace V4VM
