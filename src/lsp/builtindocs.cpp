#include "lsp/builtindocs.hpp"

const std::vector<builtindoc>& rootdocs() {
    static const std::vector<builtindoc> docs = {
        {"stdout", "stdout", "the console's output: stdout.write(text) writes without a line end"},
        {"stdin", "stdin", "the console's input: stdin.getline() reads one line, stdin.read() everything that is left"},
        {"open", "open(path, mode)",
         "open(path, \"write\") creates or empties a file, open(path, \"read\") opens one for reading (a missing "
         "file reads as empty)"},
        {"sizeof", "sizeof(v)", "the bytes of a string, the elements of a list"},
        {"varconv", "varconv(type, v)", "v converted to the type text BUILTIN_STRING, BUILTIN_INT or BUILTIN_FLOAT"},
        {"system", "system(command)", "runs a shell command and returns its exit status"},
        {"filesystem", "filesystem",
         "the filesystem object: exists, isdir, delete, createdir, listdir (names only) and cd"},
        {"hasattr", "hasattr(object, name)", "1 when the object has a member of that name, else 0"},
        {"getattr", "getattr(object, name)", "the object's member of that name"},
        {"setattr", "setattr(object, name, value)", "stores value as the object's member of that name"},
        {"str", "str(v)", "the value as text: what print needs for a number"},
        {"int", "int(v)", "the value as an integer, truncated toward zero; a text that is no number is a machine error"},
        {"float", "float(v)", "the value as a float (32 bits, about seven digits)"},
    };
    return docs;
}

const std::vector<builtindoc>& stdcondocs() {
    static const std::vector<builtindoc> docs = {
        {"print", "print(text)", "writes its text and a line end; it takes a string: print(str(n)) for a number"},
        {"input", "input(prompt)",
         "writes the prompt and returns the next line of standard input, without its line end"},
    };
    return docs;
}

const std::vector<builtindoc>& methoddocs() {
    static const std::vector<builtindoc> docs = {
        {"get", "string.get(i)", "the character at position i"},
        {"get", "list.get(i)", "the element at position i (also written l[i]); outside the list a machine error"},
        {"set", "list.set(i, v)", "puts v at position i: l[i] = v is no element assignment"},
        {"append", "list.append(v)", "adds v at the end"},
        {"contains", "list.contains(v)", "1 when this very object is held, else 0"},
        {"find", "list.find(v)", "the position of an element equal to v, or -1"},
        {"remove", "list.remove(i)", "removes the element at position i"},
        {"size", "list.size()", "the number of elements"},
        {"get", "dictionary.get(key)", "the value stored under key"},
        {"set", "dictionary.set(key, value)", "stores value under key"},
        {"contains", "dictionary.contains(key)", "1 when a value is stored under key, else 0"},
        {"keys", "dictionary.keys()", "a list of the keys"},
        {"values", "dictionary.values()", "a list of the values"},
        {"size", "dictionary.size()", "the number of keys"},
        {"get", "pointer.get()", "reads the variable it points to"},
        {"set", "pointer.set(v)", "overwrites the variable everyone holds"},
        {"write", "file.write(text)", "writes text to a file opened with \"write\" (buffered; a refused write is a machine error)"},
        {"read", "file.read()", "everything left of a file opened with \"read\""},
        {"getline", "file.getline()", "the next line of a file opened with \"read\", without its line end"},
        {"close", "file.close()", "writes the file out and closes it; writing after close is a machine error"},
        {"exists", "filesystem.exists(path)", "1 when the path exists, else 0"},
        {"isdir", "filesystem.isdir(path)", "1 when the path is a folder, else 0"},
        {"delete", "filesystem.delete(path)", "deletes a file or a folder"},
        {"createdir", "filesystem.createdir(path)", "creates a folder"},
        {"listdir", "filesystem.listdir(path)", "a list of the names in a folder (names only)"},
        {"cd", "filesystem.cd(path)", "makes path the working directory"},
    };
    return docs;
}

std::vector<const builtindoc*> methodsnamed(std::string_view name) {
    std::vector<const builtindoc*> found;
    for (const builtindoc& doc : methoddocs())
        if (doc.name == name) found.push_back(&doc);
    return found;
}
