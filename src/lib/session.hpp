#pragma once

#include "lib/open.hpp"
#include "vm/vm.hpp"

namespace V4VM {

// A machine with the library opened in it: what the driver runs.
class session : public machinesession {
public:
    explicit session(const runsettings& settings) : machinesession(settings, openlibrary) {}
};

}  // namespace V4VM
