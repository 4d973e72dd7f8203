#include "vm/value.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

#include "common/process.hpp"
#include "vm/code.hpp"
#include "vm/diagnostics.hpp"

namespace V4VM {

namespace {

std::int32_t readint(const std::string& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(start, &end, 10);
    if (end == start) error("Not a number: " + text);
    if (errno == ERANGE || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        error("Number out of range: " + text);
    return static_cast<std::int32_t>(value);
}

float readfloat(const std::string& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    float value = std::strtof(start, &end);
    if (end == start) error("Not a number: " + text);
    if (errno == ERANGE && std::isinf(value)) error("Number out of range: " + text);
    return value;
}

std::string floattext(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
    return text;
}

// The lists and dictionaries whose text is being built, outermost first: an inner occurrence of one
// of them prints as "[...]".
class printing {
public:
    bool open(const variable* container) const {
        for (const variable* at : containers)
            if (at == container) return true;
        return false;
    }
    void enter(const variable* container) {
        if (containers.size() >= static_cast<std::size_t>(maxnesting)) error("Nesting too deep.");
        containers.push_back(container);
    }
    void leave() { containers.pop_back(); }
    std::size_t depth() const { return containers.size(); }

private:
    std::vector<const variable*> containers;
};

std::string closebrackets(std::string text) {
    if (text.size() > 1) text.resize(text.size() - 2);  // the last ", "
    return text + "]";
}

std::string textofhere(const variable& value, bool quote, printing& open);

std::string textof(const variable& value, bool quote, printing& open) {
    if (open.depth() != stackhopdepth) return textofhere(value, quote, open);
    std::string text;
    if (!tryonlargestack([&] { text = textofhere(value, quote, open); })) error("Nesting too deep.");
    return text;
}

std::string textofhere(const variable& value, bool quote, printing& open) {
    switch (value.identifier) {
        case vtype::builtin_string: {
            if (!quote) return value.stringval.str();
            std::string quoted = "\"";
            quoted += value.stringval.str();
            quoted += '"';
            return quoted;
        }
        case vtype::builtin_int:
            return std::to_string(value.intval);
        case vtype::builtin_float:
            return floattext(value.floatval);
        case vtype::builtin_list: {
            if (open.open(&value)) return "[...]";
            open.enter(&value);
            std::string text = "[";
            for (const variable* element : value.listval()) {
                raiseifinterrupted();  // the text of a long list takes long: a signal ends it
                text += textof(*element, true, open) + ", ";
            }
            open.leave();
            return closebrackets(std::move(text));
        }
        case vtype::builtin_dict: {
            if (open.open(&value)) return "[...]";
            open.enter(&value);
            std::string text = "[";
            for (const auto& [key, element] : value.dictval()) {
                raiseifinterrupted();
                text += textof(*key, true, open) + ": " + textof(*element, true, open) + ", ";
            }
            open.leave();
            return closebrackets(std::move(text));
        }
        default:
            return "None";
    }
}

const std::vector<variable*> nolist;
const dictmap nodict;

// Out of line: a copy of a value without these payloads, the usual one, then needs no stack of its own.
[[gnu::noinline]] std::unique_ptr<aggregate> copyof(const aggregate& payloads) {
    return std::make_unique<aggregate>(payloads);
}

}  // namespace

const std::string& typetext(vtype type) {
    static const std::string texts[] = {
        "",
        "BUILTIN_INT",
        "BUILTIN_FLOAT",
        "BUILTIN_STRING",
        "BUILTIN_LIST",
        "BUILTIN_DICT",
        "BUILTIN_PNTR",
        "CUSTOM_FUNC",
        "CUSTOM_CLASS",
        "BUILTIN_MODULE",
        "BUILTIN_CLASS",
        "BUILTIN_FUNC",
    };
    return texts[static_cast<std::size_t>(type)];
}

bool bycreation::operator()(const variable* a, const variable* b) const {
    if (a->serial != b->serial) return a->serial < b->serial;
    return std::less<const variable*>()(a, b);
}

variable::variable(const variable& other)
    : identifier(other.identifier),
      ismodule(other.ismodule),
      alreadycopied(other.alreadycopied),
      reference(other.reference),
      name(other.name),
      self(other.self),
      attributes(other.attributes),
      intval(other.intval),
      floatval(other.floatval),
      stringval(other.stringval),
      more(other.more ? copyof(*other.more) : nullptr),
      target(other.target) {}

variable& variable::operator=(const variable& other) {
    if (this == &other) return *this;
    assignbutmembers(other);
    attributes = other.attributes;
    return *this;
}

void variable::assignbutmembers(const variable& other) {
    assignfields(other);
    stringval = other.stringval;
    if (other.more)
        more = copyof(*other.more);
    else
        more.reset();
}

aggregate& variable::payload() {
    if (!more) more = std::make_unique<aggregate>();
    return *more;
}

const std::vector<variable*>& variable::listval() const { return more ? more->listval : nolist; }
std::vector<variable*>& variable::listval() { return payload().listval; }
const dictmap& variable::dictval() const { return more ? more->dictval : nodict; }
dictmap& variable::dictval() { return payload().dictval; }
std::shared_ptr<hostdata>& variable::hostslot() { return payload().host; }

std::int32_t variable::convertedint() const {
    switch (identifier) {
        case vtype::builtin_float:
            // Checked in double: every float is exact there, and the cast must stay defined.
            if (std::isnan(floatval) || static_cast<double>(floatval) <= -2147483649.0 ||
                static_cast<double>(floatval) >= 2147483648.0)
                error("Number out of range: " + floattext(floatval));
            return static_cast<std::int32_t>(floatval);
        case vtype::builtin_string:
            return readint(stringval.str());
        default:
            error("Unsupported type: " + typetext(identifier));
    }
}

float variable::convertedfloat() const {
    switch (identifier) {
        case vtype::builtin_string:
            return readfloat(stringval.str());
        default:
            error("Unsupported type: " + typetext(identifier));
    }
}

std::string variable::getstring(bool quote) const {
    printing open;
    return textof(*this, quote, open);
}

bool variable::operator==(const variable& other) const {
    auto isnumber = [](vtype type) { return type == vtype::builtin_int || type == vtype::builtin_float; };
    if (identifier != other.identifier)
        return isnumber(identifier) && isnumber(other.identifier) && getfloat() == other.getfloat();
    switch (identifier) {
        case vtype::builtin_int:
        case vtype::builtin_float:
            return getfloat() == other.getfloat();
        case vtype::builtin_string:
            return stringval.view() == other.stringval.view();
        case vtype::builtin_list:
            return listval() == other.listval();
        case vtype::builtin_dict: {
            const dictmap& mine = dictval();
            const dictmap& theirs = other.dictval();
            return mine.size() == theirs.size() &&
                   std::equal(mine.begin(), mine.end(), theirs.begin(),
                              [](const auto& a, const auto& b) { return a.first == b.first && a.second == b.second; });
        }
        case vtype::custom_func: {
            std::span<const byte> mine = funccode() ? funccode()->bytes() : std::span<const byte>();
            std::span<const byte> theirs = other.funccode() ? other.funccode()->bytes() : std::span<const byte>();
            return std::equal(mine.begin(), mine.end(), theirs.begin(), theirs.end());
        }
        default:
            return true;
    }
}

}  // namespace V4VM
