#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "vm/members.hpp"
#include "vm/names.hpp"
#include "vm/text.hpp"

namespace V4VM {

class machine;
class nativeargs;
class scope;
class codeblock;
class hostdata;

// Type identifiers. Only the texts of typetext() are ever printed or compared by a program.
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

// The kinds a fetch copies: integers, floats, strings and pointers; every other kind is shared.
inline bool isvaluekind(vtype type) {
    return type == vtype::builtin_int || type == vtype::builtin_float || type == vtype::builtin_string ||
           type == vtype::builtin_pntr;
}

// A native: the machine, the receiver (possibly null) and the arguments "arg0", "arg1", ...
using mfuncptr = void (*)(machine& vm, variable* self, const nativeargs& args);

// Dictionary entries are ordered by the creation order of their key objects, so that every run of a
// program lists a dictionary the same way.
struct bycreation {
    bool operator()(const variable* a, const variable* b) const;
};
using dictmap = std::map<variable*, variable*, bycreation>;

// How many leading elements of a list the collector last found old (see collector.hpp): only the
// elements after them can be young. A copy starts at none, so that all of its elements are looked at.
class oldprefix {
public:
    oldprefix() = default;
    oldprefix(const oldprefix&) {}
    oldprefix& operator=(const oldprefix&) {
        count = 0;
        return *this;
    }
    std::size_t count = 0;
};

// Whether a FOR loop may read a list's elements in place as its snapshot: the machine gives such loops
// a copy of their own before the list changes (machine::beforelistchange). A copy of the list starts
// without; an assignment keeps the target's own.
class snapshotnote {
public:
    snapshotnote() = default;
    snapshotnote(const snapshotnote&) {}
    snapshotnote& operator=(const snapshotnote&) { return *this; }
    bool taken = false;
};

// The payloads few values have, kept apart so that numbers, strings and functions stay small.
struct aggregate {
    std::vector<variable*> listval;
    oldprefix oldelements;
    snapshotnote snapshot;
    dictmap dictval;
    std::shared_ptr<hostdata> host;  // what the library keeps here (file objects: their stream)
};

// The one runtime value class: every integer, float, string, list, dictionary, pointer, function,
// class, instance, file object and the program root. Heap values are made by the machine's heap only.
//
// Every payload field survives a change of identifier (NOT and the logic instructions turn any value
// into an integer in place, and a method bound to it still reads the old payload), so a value keeps
// them all rather than one per kind.
class variable {
public:
    vtype identifier = vtype::none;
    bool ismodule : 1 = false;
    bool alreadycopied : 1 = false;
    bool lazymethod : 1 = false;  // a built-in method made when first used: the heap's table knows it
    // Held by one entry of the data stack (or of the memory stack, which hands it back) and nothing
    // else, so that fetching it may hand it over instead of a copy (see machine::gettopvar), and an
    // operation may make its result in its cell (machine::isspare); never copied.
    bool fresh : 1 = false;
    // Which of the three exclusive payloads the value holds (see below).
    std::uint8_t reference : 2 = 0;
    // Survived a collection, and listed among the old values changed since the last one (see
    // collector.hpp); never copied.
    bool old : 1 = false;
    bool remembered : 1 = false;
    // The collection that last found this value reachable (see collector.cpp); never copied.
    std::uint32_t collectionmark = 0;
    // Creation order of a heap value (0 for values outside the heap); identity, never copied.
    std::uint64_t serial = 0;
    vname name;
    variable* self = nullptr;
    memberset attributes;
    std::int32_t intval = 0;
    float floatval = 0;
    text stringval;
    std::unique_ptr<aggregate> more;

    variable() = default;
    variable(const variable& other);  // every field but serial, collectionmark, lazymethod, fresh, old, remembered
    variable& operator=(const variable& other);  // the same, and alreadycopied keeps its value
    // operator= but for the members, which stay as they are: for a copy that gets methods of its own.
    void assignbutmembers(const variable& other);
    // Whether the value holds nothing apart from its fields: no member, text or payload of its own,
    // so that operator= on a fresh value comes down to assignfields.
    bool holdsonlyfields() const { return attributes.empty() && more == nullptr && stringval.empty(); }
    // Whether destroying the value would free nothing: no member map, text or payload to release.
    bool ownsnothing() const { return attributes.isbare() && more == nullptr && stringval.bufferaddress() == nullptr; }
    void assignfields(const variable& other) {
        identifier = other.identifier;
        name = other.name;
        ismodule = other.ismodule;
        self = other.self;
        intval = other.intval;
        floatval = other.floatval;
        reference = other.reference;
        target = other.target;
    }
    ~variable() = default;

    // A pointer's target, a native function, or a bytecode function's body (null: the empty body;
    // bodies live as long as the machine). A value holds at most one of them: each is set only on a
    // fresh value, and only assignment, which copies all three, changes them later. So they share
    // one field, and each reads as null on a value that holds another.
    variable* pntrval() const { return reference == pointertarget ? target.pointer : nullptr; }
    mfuncptr modulefunc() const { return reference == nativebody ? target.native : nullptr; }
    const codeblock* funccode() const { return reference == bytecodebody ? target.body : nullptr; }
    void setpntrval(variable* pointee) {
        target.pointer = pointee;
        reference = pointee ? pointertarget : notarget;
    }
    void setmodulefunc(mfuncptr native) {
        target.native = native;
        reference = native ? nativebody : notarget;
    }
    void setfunccode(const codeblock* body) {
        target.body = body;
        reference = body ? bytecodebody : notarget;
    }

    const std::vector<variable*>& listval() const;
    std::vector<variable*>& listval();
    const dictmap& dictval() const;
    dictmap& dictval();
    std::shared_ptr<hostdata>& hostslot();

    // Numbers read as the other kinds convert; the plain case is inline, for the interpreter loop.
    std::int32_t getint() const { return identifier == vtype::builtin_int ? intval : convertedint(); }
    float getfloat() const {
        if (identifier == vtype::builtin_float) return floatval;
        return identifier == vtype::builtin_int ? static_cast<float>(intval) : convertedfloat();
    }
    std::string getstring(bool quote) const;
    bool operator==(const variable& other) const;

private:
    std::int32_t convertedint() const;
    float convertedfloat() const;
    enum : std::uint8_t { notarget, pointertarget, nativebody, bytecodebody };
    union targets {
        variable* pointer;
        mfuncptr native;
        const codeblock* body;
    };
    targets target{nullptr};
    aggregate& payload();
};

// Whether a copy of `value` must copy its receiver too. A number, string or pointer keeps its
// source's receiver as it is: nothing reads the receiver of one (a call reads only the callee's, and
// such a value called as a class gets the new instance instead), while copying it copies everything
// the receiver reaches, again for each member on the way. A native turned into an integer in place
// still reads its receiver when called, so its copy still gets a copy of it.
inline bool copiesreceiver(const variable& value) {
    return value.self != nullptr && (value.ismodule || !isvaluekind(value.identifier));
}

// Deepest nesting that printing or copying a structure may reach ("Nesting too deep.").
inline constexpr int maxnesting = 10000;
// The machine runs on the caller's stack, which may be small: a copy or a text nested deeper than
// this goes on on a large stack of its own (common/process.hpp), or, when no thread for one can be
// had, ends in "Nesting too deep." there.
inline constexpr std::size_t stackhopdepth = 200;

}  // namespace V4VM
