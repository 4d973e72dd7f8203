#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"

namespace V4VM {

class variable;
class scope;
struct filestream;

// Type identifiers. Only the texts of typetext() are ever printed or compared by a program; an enum
// keeps the tests of every instruction cheap.
enum class vtype : std::uint8_t {
    none,  // a fresh value whose creator has not set its type yet; its text is empty
    builtin_int,
    builtin_float,
    builtin_string,
    builtin_list,
    builtin_dict,
    builtin_pntr,
    custom_func,
    custom_class,
    builtin_module,
    builtin_class,
    builtin_func,
};

// "BUILTIN_INT", "BUILTIN_FLOAT", ... and "" for vtype::none.
const std::string& typetext(vtype type);

// A native: the receiver (possibly null) and the arguments "arg0", "arg1", ...
using mfuncptr = void (*)(variable* self, const scope& args);

// Dictionary entries are ordered by the creation order of their key objects, so that every run of a
// program lists a dictionary the same way.
struct bycreation {
    bool operator()(const variable* a, const variable* b) const;
};
using dictmap = std::map<variable*, variable*, bycreation>;

// A function body: immutable bytes shared by every call of the function and read with a cursor.
using codebytes = std::shared_ptr<const std::vector<byte>>;

// A value's name. Names are operand texts of the program or a few fixed texts, so each distinct text is
// stored once for the whole process and shared: naming or copying a value allocates nothing.
class vname {
public:
    vname();  // "Unnamed Variable"
    explicit vname(std::string_view text);
    vname& operator=(std::string_view text) { return *this = vname(text); }
    const std::string& str() const { return *text; }
    friend bool operator==(const vname& a, const vname& b) { return a.text == b.text; }
    friend bool operator==(const vname& a, std::string_view b) { return *a.text == b; }

private:
    const std::string* text;
};
std::ostream& operator<<(std::ostream& out, const vname& name);

// The one runtime value class: every integer, float, string, list, dictionary, pointer, function,
// class, instance, file object and the program root. Heap values are made by getallocvar only.
class variable {
public:
    // The small fields first, together, so that the value needs no padding.
    vtype identifier = vtype::none;
    bool ismodule = false;
    bool alreadycopied = false;
    // The collection that last found this value reachable (see collector.cpp); never copied.
    std::uint32_t collectionmark = 0;
    vname name;
    std::map<std::string, variable*> attributes;
    variable* self = nullptr;
    std::int32_t intval = 0;
    float floatval = 0;
    std::string stringval;
    dictmap dictval;
    std::vector<variable*> listval;
    codebytes funccode;  // null is the empty body
    mfuncptr modulefunc = nullptr;
    std::map<std::string, std::shared_ptr<filestream>> moduleparams;
    variable* pntrval = nullptr;
    // Creation order of a heap value (0 for values on the C++ stack); identity, never copied.
    std::uint64_t serial = 0;

    variable() = default;
    variable(const variable& other);                 // every field but serial and collectionmark
    variable& operator=(const variable& other);      // every field but alreadycopied, serial, collectionmark
    ~variable() = default;

    std::int32_t getint() const;
    float getfloat() const;
    std::string getstring(bool quote) const;
    variable* getvar();
    variable* getcopy();
    variable* getpointer();
    bool operator==(const variable& other) const;
};

// Creates a heap value (type none) that the machine keeps track of, and attaches the built-in methods
// of `type` for strings, lists, dictionaries and pointers. The identifier is left for the caller.
variable* getallocvar(vtype type = vtype::none);

// Fresh heap values of the common kinds, with their built-in methods attached.
variable* newint(std::int32_t value);
variable* newfloat(float value);
variable* newstring(std::string value);
variable* newlist(std::vector<variable*> elements = {});

// Deepest nesting that printing or copying a structure may reach ("Nesting too deep.").
inline constexpr int maxnesting = 10000;

// Number of heap values made since the last reset, freed ones included.
std::size_t allocatedcount();

// Every heap value not yet freed; only the collector removes entries.
std::vector<std::unique_ptr<variable>>& heapvalues();

// Frees every heap value and forgets any copy or print in progress; used when the machine is reset.
void freeallvariables();

}  // namespace V4VM
