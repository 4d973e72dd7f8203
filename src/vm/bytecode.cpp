#include "vm/bytecode.hpp"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "vm/diagnostics.hpp"
#include "vm/natives.hpp"
#include "vm/state.hpp"

namespace V4VM {

namespace {

// A CODE operand is cut out of its enclosing body once; every later decode of the same operand (an IF
// in a loop, a function defined in a loop) shares those bytes. The entry keeps the enclosing body alive
// so that its address cannot be reused for another body.
struct cutbody {
    codebytes enclosing;
    codebytes bytes;
};
std::map<std::tuple<const std::vector<byte>*, std::size_t, std::int32_t>, cutbody> cutbodies;

// Nesting of LIST and DICT operands being decoded.
int operanddepth = 0;

[[noreturn]] void pastend() { error("Operand runs past the end of the code."); }

std::uint32_t readword(codebody& body) {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) word = word << 8 | body.pop();
    return word;
}

codebytes cutcode(codebody& body, std::int32_t length) {
    if (length <= 0) return nullptr;
    if (static_cast<std::size_t>(length) > body.remaining()) {
        body.next += body.remaining();  // the bytes there were are consumed before the shortage shows
        error("bytes ran out! Specified: " + std::to_string(length));
    }
    auto key = std::make_tuple(body.bytes.get(), body.next, length);
    auto found = cutbodies.find(key);
    if (found == cutbodies.end()) {
        auto begin = body.bytes->begin() + static_cast<std::ptrdiff_t>(body.next);
        auto bytes = std::make_shared<const std::vector<byte>>(begin, begin + length);
        found = cutbodies.emplace(key, cutbody{body.bytes, bytes}).first;
    }
    body.next += static_cast<std::size_t>(length);
    return found->second.bytes;
}

float readfloat(codebody& body) {
    std::uint32_t whole = readword(body);
    std::uint32_t fraction = readword(body);
    auto digits = static_cast<float>(std::to_string(fraction).size());
    return static_cast<float>(whole) + static_cast<float>(fraction) / (10 * digits);
}

std::string readtext(codebody& body) {
    const byte* start = body.bytes ? body.bytes->data() + body.next : nullptr;
    const void* end = start ? std::memchr(start, 0, body.remaining()) : nullptr;
    if (end == nullptr) {
        body.next += body.remaining();  // the text read so far is consumed before the shortage shows
        pastend();
    }
    std::size_t length = static_cast<const byte*>(end) - start;
    body.next += length + 1;
    return std::string(reinterpret_cast<const char*>(start), length);
}

codebytes readcode(codebody& body) { return cutcode(body, static_cast<std::int32_t>(readword(body))); }

class nestingguard {
public:
    nestingguard() {
        if (operanddepth >= maxnesting) error("Nesting too deep.");
        ++operanddepth;
    }
    ~nestingguard() { --operanddepth; }
    nestingguard(const nestingguard&) = delete;
    nestingguard& operator=(const nestingguard&) = delete;
};

variable* decodeonheap(codebody& body) {
    variable* element = getallocvar();
    *element = getop(body);
    return element;
}

}  // namespace

bool codebody::empty() const { return remaining() == 0; }

std::size_t codebody::remaining() const {
    std::size_t size = bytes ? bytes->size() : 0;
    return next < size ? size - next : 0;
}

byte codebody::top() const {
    if (empty()) pastend();
    return (*bytes)[next];
}

byte codebody::pop() {
    byte value = top();
    ++next;
    return value;
}

variable getop(codebody& body) {
    variable result;
    switch (body.pop()) {
        case INT:
            result.identifier = vtype::builtin_int;
            result.intval = static_cast<std::int32_t>(readword(body));
            break;
        case FLOAT:
            result.identifier = vtype::builtin_float;
            result.floatval = readfloat(body);
            break;
        case STRING:
            result.identifier = vtype::builtin_string;
            initstringvar(result);
            result.stringval = readtext(body);
            break;
        case CLASS:
            result.identifier = vtype::custom_class;
            break;
        case LIST: {
            nestingguard guard;
            result.identifier = vtype::builtin_list;
            initlistvar(result);
            while (body.top() != LISTEND) result.listval.push_back(decodeonheap(body));
            body.pop();
            std::reverse(result.listval.begin(), result.listval.end());
            break;
        }
        case DICT: {
            nestingguard guard;
            result.identifier = vtype::builtin_dict;
            initdictvar(result);
            while (body.top() != LISTEND) {
                variable* key = decodeonheap(body);
                result.dictval[key] = decodeonheap(body);
            }
            body.pop();
            break;
        }
        case CODE:
            result.identifier = vtype::custom_func;
            result.funccode = readcode(body);
            break;
        case STACK: {
            if (datastack.empty()) error("Data stack is empty.");
            variable* top = datastack.back();
            datastack.pop_back();
            result = *top->getvar();
            break;
        }
        default:
            error("Bad type when getting operand!");
    }
    return result;
}

std::string getname(codebody& body) {
    if (body.top() != STRING) return getop(body).getstring(false);
    body.pop();
    return readtext(body);
}

std::int32_t getcount(codebody& body) {
    if (body.top() != INT) return getop(body).getint();
    body.pop();
    return static_cast<std::int32_t>(readword(body));
}

variable* getconstant(codebody& body) {
    switch (body.top()) {
        case INT:
            body.pop();
            return newint(static_cast<std::int32_t>(readword(body)));
        case FLOAT:
            body.pop();
            return newfloat(readfloat(body));
        case STRING:
            body.pop();
            return newstring(readtext(body));
        case CODE: {
            body.pop();
            codebytes code = readcode(body);
            variable* function = getallocvar();
            function->identifier = vtype::custom_func;
            function->funccode = std::move(code);
            return function;
        }
        default:
            return getop(body).getcopy();
    }
}

void forgetcodebodies() {
    cutbodies.clear();
    operanddepth = 0;
}

}  // namespace V4VM
