#!/usr/bin/env python3
"""Seeds the fuzz corpora from the tested programs: python3 fuzz/seed.py BUILD/vesk

Every program of tests/programs, tests/guide and examples goes to corpus/compile and corpus/run as it
is; the bytes vesk compiles it to go to corpus/bytecode; a session of the language server that opens
it, asks about it and changes it goes to corpus/lsp. The bytes are read back from the hexadecimal
listing a plain run prints (last byte first) before it executes anything; the run is stopped after one
instruction, in a folder of its own, with nothing on standard input. Seeds keep their program's name,
so seeding again replaces them; what the fuzzer added stays.
"""
import json
import pathlib
import subprocess
import sys
import tempfile

root = pathlib.Path(__file__).resolve().parent.parent
vesk = pathlib.Path(sys.argv[1]).resolve()
corpus = root / "fuzz" / "corpus"


def compiledbytes(program):
    with tempfile.TemporaryDirectory() as folder:
        run = subprocess.run([str(vesk), "--max-steps=1", str(program)], cwd=folder, stdin=subprocess.DEVNULL,
                             capture_output=True, timeout=60)
    out = run.stdout.decode("latin-1")
    start = out.find("inserting code to codestack...\n")
    end = out.find("execution loop...")
    if start < 0 or end < 0:
        return None  # it does not compile
    listed = out[start + len("inserting code to codestack...\n"):end].split()
    return bytes(int(b, 16) for b in reversed(listed))


def framed(message):
    body = json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def session(source):
    """What an editor sends to vesk --lsp while a program is open in it."""
    uri = "file:///nowhere/fuzz.VKEX"
    text = source.decode("utf-8", "surrogateescape")
    document = {"uri": uri}
    lines = text.split("\n")
    middle = {"line": len(lines) // 2, "character": len(lines[len(lines) // 2]) // 2}
    messages = [
        {"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {}},
        {"jsonrpc": "2.0", "method": "initialized", "params": {}},
        {"jsonrpc": "2.0", "method": "textDocument/didOpen",
         "params": {"textDocument": {"uri": uri, "languageId": "vesk", "version": 1, "text": text}}},
        {"jsonrpc": "2.0", "id": 2, "method": "textDocument/documentSymbol", "params": {"textDocument": document}},
        {"jsonrpc": "2.0", "id": 3, "method": "textDocument/hover",
         "params": {"textDocument": document, "position": middle}},
        {"jsonrpc": "2.0", "id": 4, "method": "textDocument/definition",
         "params": {"textDocument": document, "position": middle}},
        {"jsonrpc": "2.0", "id": 5, "method": "textDocument/completion",
         "params": {"textDocument": document, "position": middle}},
        {"jsonrpc": "2.0", "id": 6, "method": "textDocument/codeAction",
         "params": {"textDocument": document, "range": {"start": middle, "end": middle},
                    "context": {"diagnostics": []}}},
        {"jsonrpc": "2.0", "method": "textDocument/didChange",
         "params": {"textDocument": {"uri": uri, "version": 2}, "contentChanges": [{"text": text[: len(text) // 2]}]}},
        {"jsonrpc": "2.0", "id": 7, "method": "shutdown"},
        {"jsonrpc": "2.0", "method": "exit"},
    ]
    return b"".join(framed(m) for m in messages)


for target in ("compile", "run", "bytecode", "lsp"):
    (corpus / target).mkdir(parents=True, exist_ok=True)
for folder in ("tests/programs", "tests/guide", "examples"):
    for program in sorted((root / folder).glob("*.VKEX")):
        name = "seed-" + folder.replace("/", "-") + "-" + program.stem
        source = program.read_bytes()
        (corpus / "compile" / name).write_bytes(source)
        (corpus / "run" / name).write_bytes(source)
        (corpus / "lsp" / name).write_bytes(session(source))
        code = compiledbytes(program)
        if code is not None:
            (corpus / "bytecode" / name).write_bytes(code)
