#pragma once

#include <map>
#include <memory>
#include <string>

namespace V4VM {

class variable;

// A map from names to values that is cheap to copy: copies share their entries until one of them is
// changed. Every call, block and SAVESCOPE copies a scope, and most copies are never written.
class scope {
public:
    using entries = std::map<std::string, variable*>;

    variable* find(const std::string& name) const;  // null when absent
    bool contains(const std::string& name) const;
    void set(const std::string& name, variable* value);
    std::size_t size() const;
    entries::const_iterator begin() const;
    entries::const_iterator end() const;

private:
    entries& writable();

    std::shared_ptr<entries> shared;
};

}  // namespace V4VM
