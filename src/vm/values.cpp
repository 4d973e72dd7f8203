#include "vm/values.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <ostream>
#include <unordered_set>

#include "vm/diagnostics.hpp"
#include "vm/natives.hpp"

namespace V4VM {

namespace {

// Every heap value, so that a reset and the collector can reach them all.
std::vector<std::unique_ptr<variable>> heap;
std::uint64_t lastserial = 0;

// The copies in progress, innermost last, each with the number of marked objects when it began (see
// getcopy), and the number of objects marked right now.
struct activecopy {
    const variable* source;
    std::size_t markedatstart;
};
std::vector<activecopy> activecopies;
std::size_t markedcount = 0;

// The lists and dictionaries whose text is being built, outermost first.
std::vector<const variable*> printing;

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

// Marks the beginning and end of printing one container; inner occurrences of it print as "[...]".
class printguard {
public:
    explicit printguard(const variable* container) {
        if (printing.size() >= static_cast<std::size_t>(maxnesting)) error("Nesting too deep.");
        printing.push_back(container);
    }
    ~printguard() {
        if (!printing.empty()) printing.pop_back();
    }
    printguard(const printguard&) = delete;
    printguard& operator=(const printguard&) = delete;
};

bool beingprinted(const variable* container) {
    for (const variable* open : printing)
        if (open == container) return true;
    return false;
}

std::string closebrackets(std::string text) {
    if (text.size() > 1) text.resize(text.size() - 2);  // the last ", "
    return text + "]";
}

// Never shrinks: its strings are shared by names for the rest of the process.
const std::string& intern(std::string_view text) {
    struct texthash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    static std::unordered_set<std::string, texthash, std::equal_to<>> texts;
    auto found = texts.find(text);
    if (found == texts.end()) found = texts.emplace(text).first;
    return *found;
}

}  // namespace

vname::vname() {
    static const std::string* const unnamed = &intern("Unnamed Variable");
    text = unnamed;
}

vname::vname(std::string_view text) : text(&intern(text)) {}

std::ostream& operator<<(std::ostream& out, const vname& name) { return out << name.str(); }

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
      name(other.name),
      attributes(other.attributes),
      self(other.self),
      intval(other.intval),
      floatval(other.floatval),
      stringval(other.stringval),
      dictval(other.dictval),
      listval(other.listval),
      funccode(other.funccode),
      modulefunc(other.modulefunc),
      moduleparams(other.moduleparams),
      pntrval(other.pntrval) {}

variable& variable::operator=(const variable& other) {
    if (this == &other) return *this;
    identifier = other.identifier;
    name = other.name;
    ismodule = other.ismodule;
    attributes = other.attributes;
    self = other.self;
    intval = other.intval;
    floatval = other.floatval;
    stringval = other.stringval;
    dictval = other.dictval;
    listval = other.listval;
    funccode = other.funccode;
    modulefunc = other.modulefunc;
    moduleparams = other.moduleparams;
    pntrval = other.pntrval;
    return *this;
}

std::int32_t variable::getint() const {
    switch (identifier) {
        case vtype::builtin_int:
            return intval;
        case vtype::builtin_float:
            // Checked in double: every float is exact there, and the cast must stay defined.
            if (std::isnan(floatval) || static_cast<double>(floatval) <= -2147483649.0 ||
                static_cast<double>(floatval) >= 2147483648.0)
                error("Number out of range: " + floattext(floatval));
            return static_cast<std::int32_t>(floatval);
        case vtype::builtin_string:
            return readint(stringval);
        default:
            error("Unsupported type: " + typetext(identifier));
    }
}

float variable::getfloat() const {
    switch (identifier) {
        case vtype::builtin_int:
            return static_cast<float>(intval);
        case vtype::builtin_float:
            return floatval;
        case vtype::builtin_string:
            return readfloat(stringval);
        default:
            error("Unsupported type: " + typetext(identifier));
    }
}

std::string variable::getstring(bool quote) const {
    switch (identifier) {
        case vtype::builtin_string:
            return quote ? "\"" + stringval + "\"" : stringval;
        case vtype::builtin_int:
            return std::to_string(intval);
        case vtype::builtin_float:
            return floattext(floatval);
        case vtype::builtin_list: {
            if (beingprinted(this)) return "[...]";
            printguard guard(this);
            std::string text = "[";
            for (const variable* element : listval) text += element->getstring(true) + ", ";
            return closebrackets(std::move(text));
        }
        case vtype::builtin_dict: {
            if (beingprinted(this)) return "[...]";
            printguard guard(this);
            std::string text = "[";
            for (const auto& [key, value] : dictval)
                text += key->getstring(true) + ": " + value->getstring(true) + ", ";
            return closebrackets(std::move(text));
        }
        default:
            return "None";
    }
}

variable* variable::getvar() {
    switch (identifier) {
        case vtype::builtin_int:
        case vtype::builtin_float:
        case vtype::builtin_string:
        case vtype::builtin_pntr:
            return getcopy();
        default:
            return this;
    }
}

variable* variable::getcopy() {
    // A copy of this object is already running with exactly the same objects marked: going on would
    // repeat that copy forever, so the caller keeps the object itself.
    for (const activecopy& running : activecopies)
        if (running.source == this && running.markedatstart == markedcount) return this;
    if (activecopies.size() >= static_cast<std::size_t>(maxnesting)) error("Nesting too deep.");
    activecopies.push_back({this, markedcount});

    std::vector<variable*> marked;
    auto mark = [&](variable* object) {
        object->alreadycopied = true;
        ++markedcount;
        marked.push_back(object);
    };

    variable* copy = getallocvar();
    *copy = *this;
    for (const auto& [key, member] : attributes) {
        if (member->alreadycopied) continue;
        variable* membercopy = member->getcopy();
        copy->attributes[key] = membercopy;
        mark(member);
    }
    copy->dictval.clear();
    for (const auto& [key, value] : dictval) {
        variable* keycopy = key->getcopy();
        variable* valuecopy = value->getcopy();
        copy->dictval[keycopy] = valuecopy;
    }
    if (self != nullptr && !alreadycopied) {
        mark(this);
        copy->self = self->getcopy();
    }

    for (variable* object : marked) {
        object->alreadycopied = false;
        --markedcount;
    }
    activecopies.pop_back();
    return copy;
}

variable* variable::getpointer() {
    variable* pointer = getallocvar();
    pointer->identifier = vtype::builtin_pntr;
    initpntrvar(*pointer);
    pointer->pntrval = this;
    return pointer;
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
            return stringval == other.stringval;
        case vtype::builtin_list:
            return listval == other.listval;
        case vtype::builtin_dict:
            return dictval.size() == other.dictval.size() &&
                   std::equal(dictval.begin(), dictval.end(), other.dictval.begin(),
                              [](const auto& a, const auto& b) { return a.first == b.first && a.second == b.second; });
        case vtype::custom_func: {
            static const std::vector<byte> nobytes;
            const std::vector<byte>& mine = funccode ? *funccode : nobytes;
            const std::vector<byte>& theirs = other.funccode ? *other.funccode : nobytes;
            return mine == theirs;
        }
        default:
            return true;
    }
}

variable* getallocvar(vtype type) {
    heap.push_back(std::make_unique<variable>());
    variable* value = heap.back().get();
    value->serial = ++lastserial;
    switch (type) {
        case vtype::builtin_string:
            initstringvar(*value);
            break;
        case vtype::builtin_pntr:
            initpntrvar(*value);
            break;
        case vtype::builtin_list:
            initlistvar(*value);
            break;
        case vtype::builtin_dict:
            initdictvar(*value);
            break;
        default:
            break;
    }
    return value;
}

variable* newint(std::int32_t value) {
    variable* result = getallocvar();
    result->identifier = vtype::builtin_int;
    result->intval = value;
    return result;
}

variable* newfloat(float value) {
    variable* result = getallocvar();
    result->identifier = vtype::builtin_float;
    result->floatval = value;
    return result;
}

variable* newstring(std::string value) {
    variable* result = getallocvar();
    result->identifier = vtype::builtin_string;
    result->stringval = std::move(value);
    initstringvar(*result);
    return result;
}

variable* newlist(std::vector<variable*> elements) {
    variable* result = getallocvar();
    result->identifier = vtype::builtin_list;
    result->listval = std::move(elements);
    initlistvar(*result);
    return result;
}

std::size_t allocatedcount() { return lastserial; }

std::vector<std::unique_ptr<variable>>& heapvalues() { return heap; }

void freeallvariables() {
    heap.clear();
    lastserial = 0;
    activecopies.clear();
    markedcount = 0;
    printing.clear();
}

}  // namespace V4VM
