#!/usr/bin/env python3
"""Random VESK programs for the differential check of two machines. A seed decides the whole program.

    vkgen.py FOLDER FIRST COUNT    writes FOLDER/gen<SEED>.VKEX for the seeds FIRST .. FIRST+COUNT-1

Most programs run a few hundred steps of functions, classes, lists, strings, dictionaries, pointers and
blocks, then finish or end in a machine error; some fail to compile or to split into statements; many
hide raw instructions after a 0 byte inside a string literal, which the machine runs after the string.

What keeps a program going is how the language really behaves: a value a `while` body leaves on the
stack becomes its condition, so loop bodies (and the functions they may call) never leave one: no `%`
copies, no `return` inside a block, no hidden instructions there. Names stored outside any object land
on the program root, which every lookup reads first, so every name is unique in its program.
"""
import random
import struct
import sys

# Instructions and operand tags.
(ADD, SUB, MUL, DIV, LOADLOCAL, STORELOCAL, LEAVE, ENTERATTR, LEAVEALL, CALL, LOADATTR, STOREATTR,
 LOADGLOBAL, STOREGLOBAL, PUSHCONST, PUSHCOPY, RETURN, EQUAL, GREATER, LESS, LESSEQ, GREATEREQ, NOT,
 AND, OR, XOR, STASH, UNSTASH, PTRLOCAL, PTRATTR, PTRGLOBAL, PTRTOP, NOR, IF, POP, WHILE, FOR,
 SAVESCOPE, RESTORESCOPE, ASSIGN, DUP, ENTERTOP) = range(42)
INT, FLOAT, STRING, CLASS, LIST, DICT, CODE, STACK = range(8)
LISTEND = 255

WORDS = ["ab", "hello", "x", "vesk", "a b", "42", "7", "3.5", "", "zz top", "-3", "end"]
NUMBERTEXTS = ['"42"', '"-3"', '"3.5"', '" 12abc"']


def op(*parts):
    return b"".join(bytes([p]) if isinstance(p, int) else p for p in parts)


def intop(value):
    return op(INT, struct.pack(">i", value))


def floatop(whole, fraction):
    return op(FLOAT, struct.pack(">I", whole), struct.pack(">I", fraction))


def textop(text):
    return op(STRING, text.encode(), 0)


def codeop(body, length=None):
    return op(CODE, struct.pack(">i", len(body) if length is None else length), body)


def named(opcode, name):
    return op(opcode, textop(name))


class Bytecode:
    """Instructions for the tail of a string literal. Friendly ones complete and leave the stack as a
    program expects it; hostile ones also misuse the stacks and the format."""

    def __init__(self, rnd, names, hostile):
        self.r = rnd
        self.names = names  # the program's variables at this point
        self.hostile = hostile

    def constant(self, depth=0):
        r = self.r
        kind = r.choice("iiifsslldcx")
        if kind == "i":
            return intop(r.choice([0, 1, 2, 5, 7, 100, -1, -4, 65536, 2147483647]))
        if kind == "f":
            return floatop(r.randrange(100), r.choice([0, 5, 25, 7]))
        if kind == "s":
            return textop(r.choice(WORDS))
        if kind == "l" and depth < 2:
            return op(LIST, *(self.constant(depth + 1) for _ in range(r.randrange(4))), LISTEND)
        if kind == "d" and depth < 2:
            pairs = (textop(r.choice(WORDS)) + self.constant(depth + 1) for _ in range(r.randrange(3)))
            return op(DICT, *pairs, LISTEND)
        if kind == "c":
            return codeop(self.sequence(r.randrange(4), depth + 1) if depth < 2 else b"")
        return op(CLASS)

    def push(self, depth):
        return op(PUSHCONST, self.constant(depth))

    def number(self):
        return op(PUSHCONST, intop(self.r.choice([0, 1, 2, 3, 9, -2])))

    def name(self):
        if self.names and (not self.hostile or self.r.random() < 0.8):
            return self.r.choice(self.names)
        return self.r.choice(["arg0", "self", "ELEMENT", "q"])

    # -- friendly steps ---------------------------------------------------------------------------
    def load(self, depth):
        return named(LOADLOCAL, self.name()) if self.names or self.hostile else self.push(depth)

    def arithmetic(self, depth):
        operations = [ADD, SUB, MUL, EQUAL, LESS, GREATEREQ, AND, OR, XOR, NOR] + [DIV] * self.hostile
        return op(self.number(), self.number(), self.r.choice(operations))

    def duplicate(self, depth):
        value = self.push(depth) if self.hostile else self.number()
        return op(value, DUP, self.r.choice([NOT, PTRTOP, PUSHCOPY]))

    def collect(self, depth):
        """A list of values computed at run time, as the compiler builds one."""
        return op(self.number(), self.push(depth), PUSHCONST, LIST, STACK, STACK, LISTEND)

    def stash(self, depth):
        return op(self.push(depth), STASH, self.push(depth), UNSTASH)

    def pop(self, depth):
        return op(self.push(depth), self.push(depth), POP, POP)

    def store(self, depth):
        return op(self.push(depth), named(self.r.choice([STORELOCAL, STOREGLOBAL]), "h" + str(self.r.randrange(3))))

    def method(self, depth):
        """A method of a built-in value, called through the value."""
        r = self.r
        value, name, count = r.choice([(LIST, "append", 1), (LIST, "size", 0), (LIST, "get", 1), (STRING, "get", 1),
                                       (DICT, "keys", 0), (DICT, "values", 0), (DICT, "size", 0), (DICT, "get", 1)])
        target = {LIST: op(LIST, intop(3), intop(4), LISTEND), STRING: textop("abc"),
                  DICT: op(DICT, textop("k"), intop(1), intop(0), textop("v"), LISTEND)}[value]
        argument = self.number() if self.hostile else op(PUSHCONST, intop(0) if value != DICT else textop("k"))
        return op(argument * count, PUSHCONST, target, ENTERTOP, named(LOADATTR, name), CALL, intop(count), LEAVE)

    def call(self, depth):
        """A function made of bytes, called with arguments."""
        count = self.r.randrange(3)
        arguments = (named(LOADLOCAL, "arg" + str(i)) for i in range(count))
        body = op(*arguments, self.sequence(self.r.randrange(1, 4), depth + 1))
        return op(self.number() * count, PUSHCONST, codeop(body), CALL, intop(count))

    def branch(self, depth):
        return op(PUSHCONST, intop(self.r.choice([0, 1])), IF, codeop(self.sequence(2, depth + 1)))

    def countdown(self, depth):
        """A `while` over a name counted down from 3; the body leaves the condition on top."""
        counter = "w" + str(depth)
        body = op(self.sequence(1, depth + 1), PUSHCONST, intop(1), named(LOADLOCAL, counter), SUB, DUP,
                  named(STORELOCAL, counter))
        return op(PUSHCONST, intop(3), named(STORELOCAL, counter), PUSHCONST, intop(1), WHILE, codeop(body))

    def walk(self, depth):
        items = self.r.choice([op(LIST, intop(1), textop("e"), LISTEND), op(DICT, textop("k"), intop(2), LISTEND)])
        return op(PUSHCONST, items, FOR, codeop(op(named(LOADLOCAL, "ELEMENT"), self.sequence(1, depth + 1))))

    def object(self, depth):
        """An object with one member, which is then read back."""
        readback = op(DUP, ENTERTOP, named(LOADATTR, "m"), LEAVE) if self.r.random() < 0.5 else b""
        return op(PUSHCONST, CLASS, DUP, ENTERTOP, self.push(depth), named(STOREATTR, "m"), LEAVE, readback)

    # -- hostile steps ----------------------------------------------------------------------------
    def reach(self, depth):
        opcode = self.r.choice([PTRLOCAL, LOADGLOBAL, PTRGLOBAL, LOADLOCAL])
        return named(opcode, self.r.choice([self.name(), "progroot"]))

    def overwrite(self, depth):
        return op(self.push(depth), named(LOADLOCAL, self.name()), ASSIGN, self.push(depth), self.push(depth), ASSIGN)

    def stacks(self, depth):
        return op(self.r.choice([SAVESCOPE, RESTORESCOPE, LEAVEALL, PUSHCOPY, DUP, PTRTOP, LEAVE, UNSTASH, RETURN, POP,
                                 ENTERTOP, CALL, ENTERATTR, STOREATTR]))

    def malformed(self, depth):
        r = self.r
        return r.choice([op(r.choice([42, 77, 128, 200, 254])),  # not an instruction
                         op(PUSHCONST, r.choice([8, 9, 33, 99, 254])),  # not an operand tag
                         op(PUSHCONST, codeop(b"\x0e\x00", length=r.choice([9, 300, 70000])))])  # longer than its body

    def step(self, depth):
        steps = [self.push, self.load, self.arithmetic, self.duplicate, self.collect, self.stash, self.pop, self.store,
                 self.method, self.call, self.branch, self.countdown, self.walk, self.object]
        if self.hostile:
            steps += [self.reach, self.overwrite, self.stacks, self.stacks, self.malformed]
        return self.r.choice(steps)(depth)

    def sequence(self, steps, depth=0):
        return b"".join(self.step(depth) for _ in range(steps))

    def ending(self):
        """The last bytes before the literal's own 0, which completes an open name or text, runs as ADD,
        or is read by an operand that goes on into the bytes after it (or past the end of the body)."""
        r = self.r
        if not self.hostile:
            return r.choice([op(PUSHCONST, STRING, b"tail"),
                             op(self.push(0), r.choice([STORELOCAL, STOREGLOBAL]), STRING, b"h")])
        kind = r.randrange(4)
        if kind == 0:
            opcode = r.choice([STORELOCAL, LOADLOCAL, PUSHCONST, STOREGLOBAL, LOADATTR])
            return op(opcode, STRING, r.choice([b"h1", b"q", b""]))
        if kind == 1:
            return b""
        cut = r.choice([intop(5), floatop(1, 5), codeop(b"\x0e\x00\x00\x00\x00\x01"), op(LIST, intop(1)),
                        op(DICT, textop("k")), op(STRING, b"ab")])
        return op(PUSHCONST, cut[:r.randrange(1, len(cut))])


def literaltext(payload):
    """The payload as the inside of a string literal, or None when source text cannot carry it. The
    literal's text passes the scanner twice, so a quote is written as three backslashes and a quote;
    the statement splitter knows no escapes, so quotes must come in adjacent pairs and apostrophes in
    pairs; a backslash or a closing square bracket would change how the line splits."""
    text = payload.replace(b'""', b'\\\\\\"\\\\\\"')
    unescaped = text.replace(b'\\\\\\"', b"")
    if b'"' in unescaped or b"\\" in unescaped or b"]" in text or text.count(b"'") % 2:
        return None
    return text


class Program:
    def __init__(self, seed):
        self.r = random.Random(seed)
        self.lines = []
        self.depth = 0  # indentation
        self.counter = 0  # for unique names
        self.scopes = [{}]  # the variables in reach: name -> kind ("int", "str", "listint", "obj:K1", ...)
        self.functions = {}  # name -> (parameter kinds, result kind, whether a return inside a block leaks)
        self.classes = {}  # name -> {"fields": {field: kind}, "init": [kinds], "methods": {name: (kinds, result)}}
        self.frozen = set()  # lists that must not grow: a loop walks them, or a caller passed them
        self.inloop = 0
        self.infunction = 0  # a function may run inside a loop: its loops stay short and it leaves no values
        self.stdcon = self.r.random() < 0.9

    # -- bookkeeping ------------------------------------------------------------------------------
    def fresh(self, prefix):
        self.counter += 1
        return prefix + str(self.counter)

    def emit(self, *lines):
        """Lines of text, each of which may hold several; or one line of bytes, which may hold anything."""
        for line in lines:
            for part in line.split("\n") if isinstance(line, str) else [line]:
                self.lines.append(b"    " * self.depth + (part.encode() if isinstance(part, str) else part))

    def block(self, header, body, *before):
        self.emit(*before, header + " {")
        self.depth += 1
        self.scopes.append({})
        body()
        self.scopes.pop()
        self.depth -= 1
        self.emit("}")

    def kindof(self, name):
        for scope in reversed(self.scopes):
            if name in scope:
                return scope[name]
        return None

    def pick(self, kind):
        names = {n: k for scope in self.scopes for n, k in scope.items()}
        matching = [n for n, k in names.items() if k == kind or (kind == "list" and k in ("listint", "liststr"))
                    or (kind == "obj" and k.startswith("obj:"))]
        return self.r.choice(matching) if matching else None

    def define(self, kind, value=None, prefix="v"):
        name = self.fresh(prefix)
        self.emit(name + " = " + (value or self.expr(kind)))
        self.scopes[-1][name] = kind
        return name

    def quiet(self):
        return self.inloop or self.infunction

    # -- expressions ------------------------------------------------------------------------------
    def expr(self, kind):
        if kind == "small":  # the argument of a recursive method
            return str(self.r.randrange(5 if self.quiet() else 12))
        if kind.startswith("list"):
            return self.listexpr(kind)
        return {"int": self.intexpr, "float": self.floatexpr, "str": self.strexpr}[kind]()

    def intexpr(self, depth=0):
        r = self.r
        deeper = lambda: self.intexpr(depth + 1)
        var = self.pick("int")
        options = [lambda: str(r.randrange(60)), lambda: var or "3"]
        if depth < 2:
            options += [lambda: "(" + deeper() + r.choice("+-") + deeper() + ")",
                        lambda: "(" + deeper() + r.choice(["<", "==", ">=", " and ", " or ", " xor "]) + deeper() + ")",
                        lambda: r.choice(["int(" + self.floatexpr(depth + 1) + ")", "(" + deeper() + "!=0)",
                                          "int(" + r.choice(NUMBERTEXTS) + ")", "int(str(" + deeper() + "))"])]
            if not self.inloop:  # growth inside loops could overflow
                options.append(lambda: "(" + deeper() + r.choice(["*2", "*3", "/2", "/3"]) + ")")
            if self.pick("str"):
                options.append(lambda: "sizeof(" + self.pick("str") + ")")
            if self.pick("list"):
                options.append(lambda: r.choice([self.pick("list") + ".size()", "sizeof(" + self.pick("list") + ")"]))
            if self.pick("listint"):
                options.append(lambda: self.pick("listint") + ".find(" + deeper() + ")")
            calls = [f for f, (_, result, leaky) in self.functions.items() if result == "int" and not leaky]
            if calls:
                options.append(lambda: self.call(r.choice(calls)))
            if self.pick("obj"):
                options.append(lambda: self.objectread(self.pick("obj"), "int"))
            if self.pick("ptrint"):
                options.append(lambda: self.pick("ptrint") + ".get()")
            if self.pick("dict"):
                options.append(lambda: r.choice([self.pick("dict") + ".size()", self.pick("dict") + '.contains("k1")',
                                                 "sizeof(" + self.pick("dict") + ".values())",
                                                 self.pick("dict") + '.get("k0")']))
        return r.choice(options)()

    def floatexpr(self, depth=0):
        r = self.r
        var = self.pick("float")
        if depth >= 2 or var is None or r.random() < 0.3:
            return r.choice(["2.5", "0.5", "1.0", "3.7", "10.2"])
        return r.choice([var, "float(" + self.intexpr(depth + 1) + ")", "float(" + r.choice(NUMBERTEXTS) + ")",
                         "(" + var + r.choice(["*1.5", "+0.5", "/2", "-2.5", "*2"]) + ")"])

    def strexpr(self, depth=0):
        r = self.r
        var = self.pick("str")
        if depth >= 2 or var is None or r.random() < 0.2:
            return '"' + r.choice(WORDS) + '"'
        options = [lambda: var, lambda: "(" + self.strexpr(depth + 1) + '+"' + r.choice(WORDS) + '")',
                   lambda: "(" + var + "+" + self.strexpr(depth + 1) + ")",
                   lambda: "str(" + r.choice([self.intexpr, self.floatexpr])(depth + 1) + ")",
                   lambda: var + r.choice([".get(0)", ".get(sizeof(" + var + "))"]),  # one past the end reads a 0
                   lambda: 'varconv("BUILTIN_STRING", ' + self.intexpr(depth + 1) + ")"]
        if self.pick("obj"):
            options.append(lambda: self.objectread(self.pick("obj"), "str"))
        if self.pick("liststr"):
            options.append(lambda: r.choice([self.pick("liststr") + "[0]", self.pick("liststr") + ".get(0)"]))
        return r.choice(options)()

    def listexpr(self, kind):
        r = self.r
        var = self.pick(kind)
        if var is not None and r.random() < 0.3:
            return var
        if kind == "liststr":
            return "[" + ", ".join(r.choice(['"' + r.choice(WORDS) + '"', self.pick("str") or '"s"'])
                                   for _ in range(r.randrange(1, 4))) + "]"
        items = (r.choice([str(r.randrange(20)), self.pick("int") or "1"]) for _ in range(r.randrange(1, 5)))
        return "[" + ", ".join(items) + "]"

    def call(self, name):
        return name + "(" + ", ".join(self.expr(k) for k in self.functions[name][0]) + ")"

    def objectread(self, obj, kind):
        """A member or a method's result, made a fresh value by an addition: a member read keeps its
        object as receiver, and storing it would copy that object along, and so on from object to object."""
        info = self.classes[self.kindof(obj)[4:]]
        methods = [m for m, (args, result) in info["methods"].items() if result == kind]
        fields = [f for f, k in info["fields"].items() if k == kind]
        if methods and (not fields or self.r.random() < 0.6):
            method = self.r.choice(methods)
            read = obj + "." + method + "(" + ", ".join(self.expr(k) for k in info["methods"][method][0]) + ")"
        elif fields:
            read = obj + "." + self.r.choice(fields)
        else:
            return "1" if kind == "int" else '"none"'
        return "(" + read + ("+0)" if kind == "int" else '+"")')

    # -- statements -------------------------------------------------------------------------------
    def show(self, text):
        self.emit(("print(" + text + ")") if self.stdcon else ("Gprogroot.stdout.write(" + text + '+"\\n")'))

    def newvariable(self):
        self.define(self.r.choice(["int", "int", "float", "str", "str", "listint", "liststr"]))

    def change(self):
        name = self.pick("int") if self.r.random() < 0.6 else self.pick("str")
        if name is not None:
            kind = self.kindof(name)
            step = "1" if kind == "int" else '"' + self.r.choice(WORDS) + '"'
            self.emit(name + " = " + ("(" + name + "+" + step + ")" if self.inloop else self.expr(kind)))

    def display(self):
        kind = self.r.choice(["int", "int", "str", "float", "listint", "liststr"])
        self.show(self.expr(kind) if kind == "str" else "str(" + self.expr(kind) + ")")

    def listwork(self):
        r = self.r
        name = self.pick("list")
        if name is None or name in self.frozen:
            return
        item = self.intexpr() if self.kindof(name) == "listint" else self.strexpr()
        choice = r.randrange(6)
        if choice < 2:
            self.emit(name + ".append(" + item + ")")
        elif choice == 2:
            self.show("str(" + name + r.choice([".contains(", ".find("]) + item + "))")
        elif choice == 3 and not self.inloop:
            self.emit("if (" + name + ".size()>1) {", "    " + name + ".remove(1)", "}")
        elif choice == 4:
            self.emit("if (" + name + ".size()>0) {", "    " + name + ".set(0, " + item + ")", "}")
        else:
            element = name + self.r.choice(["[0]", ".get(0)"])
            self.show("str(" + element + ")" if self.kindof(name) == "listint" else element)

    def ifblock(self):
        if self.depth < 3:
            self.block("if (" + self.intexpr() + ")", lambda: self.statements(self.r.randrange(1, 4)))

    def whileblock(self):
        if self.depth >= 3 or self.inloop + self.infunction >= 2:
            return
        counter = self.fresh("c")
        bound = self.r.choice([1, 2, 3, 5, 8]) if self.quiet() else self.r.choice([3, 10, 40, 150, 300])

        def body():
            self.inloop += 1
            self.statements(self.r.randrange(1, 4))
            self.inloop -= 1
            self.emit(counter + " = (" + counter + "+1)")
        self.block("while (" + counter + "<" + str(bound) + ")", body, counter + " = 0")

    def forblock(self):
        if self.depth >= 3 or self.inloop + self.infunction >= 2:
            return
        # A list walked inside another loop may have grown there: the inner walk stays short.
        source = self.pick("list") if self.r.random() < 0.6 and not self.inloop else None
        element = self.fresh("e")

        def body():
            self.inloop += 1
            self.frozen.add(source)
            self.scopes[-1][element] = "str" if source and self.kindof(source) == "liststr" else "int"
            self.statements(self.r.randrange(1, 4))
            self.frozen.discard(source)
            self.inloop -= 1
        self.block("for (" + (source or "[1, 2, 3]") + ") as " + element, body)

    def callfunction(self):
        if self.functions:
            name = self.r.choice(list(self.functions))
            kinds, result, leaky = self.functions[name]
            if not (leaky and self.quiet()):
                self.define(result, self.call(name), "r")

    def makeobject(self):
        if self.classes and not self.inloop:
            cls = self.r.choice(list(self.classes))
            args = ", ".join(self.expr(k) for k in self.classes[cls]["init"])
            self.define("obj:" + cls, cls + "(" + args + ")", "o")

    def methodcall(self):
        obj = self.pick("obj")
        if obj is not None:
            info = self.classes[self.kindof(obj)[4:]]
            method = self.r.choice(list(info["methods"]))
            args, result = info["methods"][method]
            line = obj + "." + method + "(" + ", ".join(self.expr(k) for k in args) + ")"
            self.show(line if result == "str" else "str(" + line + ")")

    def memberwrite(self):
        obj = self.pick("obj")
        if obj is None:
            return
        field, kind = self.r.choice(list(self.classes[self.kindof(obj)[4:]]["fields"].items()) or [("extra", "int")])
        form = self.r.random()
        if form < 0.35:
            self.emit("$@ " + obj + " {", "    @" + field + " = " + self.expr(kind), "}")
        elif form < 0.7:
            self.emit(obj + "." + field + " = " + self.expr(kind))
        else:
            self.emit("setattr(" + obj + ', "' + field + '", ' + self.expr(kind) + ")")
        self.show("str(getattr(" + obj + ', "' + field + '"))')
        self.show("str(hasattr(" + obj + ', "' + self.r.choice([field, "absent"]) + '"))')

    def objectlist(self):
        """Objects held in a list and walked."""
        obj = self.pick("obj")
        if obj is None or self.quiet() or self.depth >= 3:
            return
        info = self.classes[self.kindof(obj)[4:]]
        holder = self.define("listobj", "[" + obj + ", " + obj + "]", "l")
        element = self.fresh("e")
        method = "get" if "get" in info["methods"] else "fib"
        self.block("for (" + holder + ") as " + element,
                   lambda: self.show("str(" + element + "." + method + "(" + ("2" if method == "fib" else "") + "))"))

    def pointers(self):
        target = self.pick("int") or self.pick("str")
        if target is not None and not self.inloop:
            kind = self.kindof(target)
            pointer = self.define("ptrint" if kind == "int" else "ptrstr", "&" + target, "p")
            self.emit(pointer + ".set(" + self.expr(kind) + ")")
            self.show("str(" + pointer + ".get())")
            self.show("str(" + target + ")")

    def globalsandcopies(self):
        if self.quiet():  # a % copy leaves its original on the stack
            return
        name = "G" + self.fresh("g")
        self.emit(name + " = " + self.intexpr())
        self.show("str(" + name + ")")
        source = self.pick("list")
        if source is not None and self.kindof(source) != "listobj":
            copy = self.define(self.kindof(source), self.r.choice(["%", ""]) + source, "k")
            self.emit(copy + ".append(" + ("1" if self.kindof(source) == "listint" else '"c"') + ")")
            self.show("str(" + source + ')+" "+str(' + copy + ")")

    def conversions(self):
        r = self.r
        text = self.pick("str") or '"ab"'
        number = r.choice(NUMBERTEXTS + ["str(" + self.intexpr() + ")"])
        self.show(r.choice(["str(sizeof(" + text + "))", "str(int(" + number + "))", "str(float(" + number + "))",
                            'str(varconv("BUILTIN_INT", ' + number + "))", text + '+"!"',
                            'str(varconv("BUILTIN_FLOAT", ' + number + "))", "str(" + self.floatexpr() + ")"]))

    def dictwork(self):
        d = self.pick("dict")
        if d is None:
            return
        choice = self.r.randrange(4)
        if choice == 0:
            self.emit(d + '.set("k' + str(self.r.randrange(3)) + '", ' + self.intexpr() + ")")
        elif choice == 1 and self.depth < 3 and self.inloop + self.infunction < 2:
            key = self.fresh("e")
            self.inloop += 1
            self.block("for (" + d + ") as " + key, lambda: self.show(key))
            self.inloop -= 1
        else:
            self.show("str(" + d + self.r.choice([".keys()", ".values()", '.get("k0")', ".size()", ""]) + ")")

    def hiddenwork(self):
        if not self.quiet() and self.r.random() < 0.3:
            self.hidden(hostile=False)

    def files(self):
        if self.depth == 0 and self.r.random() < 0.3:
            handle = self.fresh("f")
            self.emit(handle + ' = open("out.txt", "write")', handle + ".write(" + self.strexpr() + '+"\\nsecond")',
                      handle + ".close()", handle + ' = open("out.txt", "read")')
            self.show(handle + ".getline()")
            self.show(handle + ".read()")

    def statement(self):
        r = self.r
        work = [self.newvariable, self.newvariable, self.change, self.change, self.display, self.display,
                self.listwork, self.listwork, self.ifblock, self.whileblock, self.forblock, self.callfunction,
                self.makeobject, self.methodcall, self.memberwrite, self.objectlist, self.pointers,
                self.globalsandcopies, self.conversions, self.dictwork, self.dictwork, self.hiddenwork, self.files]
        r.choice(work)()

    def statements(self, count):
        for _ in range(count):
            self.statement()

    # -- definitions ------------------------------------------------------------------------------
    def function(self):
        r = self.r
        name = self.fresh("fn")
        kinds = [r.choice(["int", "int", "str", "listint"]) for _ in range(r.randrange(4))]
        params = [self.fresh("a") for _ in kinds]
        result = r.choice(["int", "int", "str"])
        leaky = r.random() < 0.2
        self.emit("def " + name + "(" + ", ".join(params) + ") {")
        self.depth += 1
        self.scopes.append(dict(zip(params, kinds)))
        self.infunction += 1
        self.frozen.update(params)
        self.statements(r.randrange(1, 5))
        if leaky:  # leaves only the block, and its value on the stack
            self.block("if (" + self.intexpr() + ")", lambda: self.emit("return " + self.expr(result)))
        self.emit("return " + self.expr(result))
        self.frozen.difference_update(params)
        self.infunction -= 1
        self.scopes.pop()
        self.depth -= 1
        self.emit("}")
        self.functions[name] = (kinds, result, leaky)

    def klass(self):
        r = self.r
        name = self.fresh("K")
        fields = {self.fresh("m"): r.choice(["int", "int", "str"]) for _ in range(r.randrange(1, 4))}
        methods = {}
        self.emit("class " + name + " {")
        self.depth += 1
        if r.random() < 0.85:
            params = [self.fresh("a") for _ in fields]
            self.emit("def init(" + ", ".join(params) + ") {",
                      *("    self." + f + " = " + p for p, f in zip(params, fields)), "}")
        else:  # no constructor: no members either
            fields = {}
        ints = [f for f, k in fields.items() if k == "int"]
        strs = [f for f, k in fields.items() if k == "str"]
        if ints:
            field = r.choice(ints)
            amount = self.fresh("a")
            self.emit("def get() {", "    return self." + field, "}",
                      "def add(" + amount + ") {", "    self." + field + " = (self." + field + "+" + amount + ")",
                      "    return self.get()", "}")
            methods["get"] = ([], "int")
            methods["add"] = (["int"], "int")
            # A list held by a member, indexed through it.
            self.emit("def pair() {", "    self.box = [self." + field + ", 2]",
                      "    return (self.box[0]+self.box[sizeof(self.box)-1])", "}")
            methods["pair"] = ([], "int")
        if strs:
            field = r.choice(strs)
            result = "(self." + field + '+":"+str(self.get()))' if ints else "self." + field
            self.emit("def describe() {", "    return " + result, "}")
            methods["describe"] = ([], "str")
        n = self.fresh("a")
        self.emit("def fib(" + n + ") {",
                  "    if (" + n + "<2) {", "        return " + n, "    }",
                  "    if (" + n + ">1) {", "        return (self.fib((" + n + "-1))+self.fib((" + n + "-2)))", "    }",
                  "}")
        methods["fib"] = (["small"], "int")
        self.depth -= 1
        self.emit("}")
        self.classes[name] = {"fields": fields, "init": list(fields.values()), "methods": methods}

    # -- hidden instructions ----------------------------------------------------------------------
    def hidden(self, hostile=True, dictname=None):
        """A string literal whose 0 byte hands the bytes after it to the machine as instructions."""
        r = self.r
        code = Bytecode(r, [n for scope in self.scopes for n in scope], hostile)
        for _ in range(50):
            if dictname is not None:
                pairs = b"".join(textop("k" + str(i)) + intop(r.randrange(50)) for i in range(r.randrange(1, 4)))
                payload = op(PUSHCONST, DICT, pairs, LISTEND, STORELOCAL, STRING, dictname.encode())
            else:
                payload = code.sequence(r.randrange(1, 6)) + code.ending()
            text = literaltext(payload)
            if text is not None:
                literal = b'"' + r.choice([b"", b"ab", b"x"]) + b"\0" + text + b'"'
                self.emit(self.fresh("t").encode() + b" = " + literal if dictname or r.random() < 0.7 else literal)
                return

    def dictionary(self):
        """A dictionary, which only raw instructions can make."""
        name = self.fresh("d")
        self.hidden(hostile=False, dictname=name)
        self.scopes[-1][name] = "dict"

    # -- endings ----------------------------------------------------------------------------------
    def machineerror(self):
        r = self.r
        lst = self.pick("list")
        errors = [
            lambda: self.show("str(" + r.choice(["missing", "Gmissing", "(1+nothere)"]) + ")"),
            lambda: self.emit("x = (" + (self.pick("int") or "5") + "/0)"),
            lambda: self.emit("x = (2147483647+" + (self.pick("int") or "1") + "+1)"),
            lambda: self.emit("sizeof(" + r.choice(["5", "2.5", self.pick("int") or "7"]) + ")"),
            lambda: self.emit(r.choice(["x = ([1, 2]+1)", "print(5)", 'x = ("abc"-1)', "x = int([1])"])),
            lambda: self.emit((lst or "[1, 2]") + r.choice([".get(99)", "[0-1]", ".remove(77)", ".set(50, 1)"])),
            lambda: self.emit('x = "abc".get(' + r.choice(["9", "0-1"]) + ")"),
            lambda: self.emit(lst + "[0] = 5" if lst else "v0 = [1, 2]\nv0[0] = 5"),
            lambda: self.emit((self.pick("obj") or "Gprogroot") + ".nosuch()"),
            lambda: self.emit(r.choice(['f = open("no/such/dir/x.txt", "write")',
                                        'f = open("w.txt", "write")\nf.close()\nf.write("late")',
                                        'Gprogroot.filesystem.listdir("missing")'])),
            lambda: self.block("if (1)", lambda: self.emit("x = self")),
        ]
        if self.pick("dict"):
            errors.append(lambda: self.show("str(" + self.pick("dict") + '.get("nokey"))'))
        r.choice(errors)()

    def deeprecursion(self):
        name = self.fresh("down")
        self.emit("def " + name + "(n) {", "    return " + name + "((n+1))", "}", name + "(0)")

    def failinside(self):
        """A machine error inside a function, a loop or a method, so that several bodies are running."""
        r = self.r
        where = r.randrange(3)
        if where == 0:
            name = self.fresh("fn")
            self.emit("def " + name + "(q) {")
            self.depth += 1
            self.statements(r.randrange(3))
            self.machineerror()
            self.depth -= 1
            self.emit("}", "x = " + name + "(" + self.intexpr() + ")")
        elif where == 1:
            counter = self.fresh("c")
            self.block("while (" + counter + "<5)", lambda: (
                self.emit(counter + " = (" + counter + "+1)"),
                self.block("if (" + counter + "==3)", self.machineerror)), counter + " = 0")
        else:
            name = self.fresh("K")
            self.emit("class " + name + " {", "    def run(q) {")
            self.depth += 2
            self.machineerror()
            self.depth -= 2
            obj = self.fresh("o")
            self.emit("    }", "}", obj + " = " + name + "()", obj + ".run(1)")

    def hiddenlast(self):
        """Hidden instructions at the end of a function body, so that an operand can run off its end."""
        name = self.fresh("fn")
        self.emit("def " + name + "() {")
        self.depth += 1
        self.statements(self.r.randrange(2))
        self.hidden()
        self.depth -= 1
        self.emit("}", name + "()")
        self.show('"after"')

    def compileerror(self):
        self.emit(self.r.choice([
            "if (1)", "while (x)", "for (l) as", "def f", 'l = [sizeof("ab")]', "y = 99999999999", "x = 1.55",
            "class k {\n    x = 1\n}", "x = (1+)", "print(1, 2 3)", "x = ()", "also", "class k", "x = [f(1), 2]",
            "def g(a b) {\n    return 1\n}", "return (1 2)", "f(1 = 2)", "$@", "x = 5.", "x = .a",
            "z = " + "(" * 1100 + "1" + ")" * 1100]))

    def splittererror(self):
        self.emit(self.r.choice(["x = [1, 2", "x = [}", "x = [)", 'print("(")', 'x = "open', "x = 'a",
                                 "if (1) {\n    x = 2", "f(1))", "x = }", "def f() {\n    x = (1\n}", "x = ]"]))

    def insertanywhere(self, make):
        """Text that stops the compiler or the splitter, wherever it stands: before, after or inside."""
        position = self.r.randrange(len(self.lines) + 1)
        tail = self.lines[position:]
        del self.lines[position:]
        saved, self.depth = self.depth, 0
        make()
        self.depth = saved
        self.lines += tail

    # -- a whole program --------------------------------------------------------------------------
    def generate(self):
        r = self.r
        if self.stdcon:
            self.emit("also stdcon")
        for _ in range(r.randrange(3)):
            self.function()
        for _ in range(r.randrange(3)):
            self.klass()
        if r.random() < 0.25:
            self.dictionary()
        for kind in r.sample(["int", "int", "str", "float", "listint", "liststr"], r.randrange(2, 6)):
            self.define(kind)
        self.statements(r.randrange(6, 20))
        ending = r.choices(["finish", "code", "machine", "inside", "hidden", "hiddenlast", "compile", "splitter",
                            "recursion"], [30, 10, 15, 15, 12, 5, 7, 4, 2])[0]
        {"finish": lambda: None,
         "code": lambda: self.emit(self.intexpr()),  # the finish line reports it
         "machine": self.machineerror,
         "inside": self.failinside,
         "hidden": lambda: (self.hidden(), self.statements(r.randrange(3))),
         "hiddenlast": self.hiddenlast,
         "compile": lambda: self.insertanywhere(self.compileerror),
         "splitter": lambda: self.insertanywhere(self.splittererror),
         "recursion": self.deeprecursion}[ending]()
        return b"\n".join(self.lines) + b"\n"


def main():
    folder, first, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    for seed in range(first, first + count):
        with open(f"{folder}/gen{seed}.VKEX", "wb") as out:
            out.write(Program(seed).generate())


if __name__ == "__main__":
    main()
