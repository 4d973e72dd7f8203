#!/usr/bin/env python3
"""Seeds the fuzz corpora from the tested programs: python3 fuzz/seed.py BUILD/vesk

Every program of tests/programs, tests/guide and examples goes to corpus/compile and corpus/run as it
is; the bytes vesk compiles it to go to corpus/bytecode. The bytes are read back from the hexadecimal
listing a plain run prints (last byte first) before it executes anything; the run is stopped after one
instruction, in a folder of its own, with nothing on standard input. Seeds keep their program's name,
so seeding again replaces them; what the fuzzer added stays.
"""
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


for target in ("compile", "run", "bytecode"):
    (corpus / target).mkdir(parents=True, exist_ok=True)
for folder in ("tests/programs", "tests/guide", "examples"):
    for program in sorted((root / folder).glob("*.VKEX")):
        name = "seed-" + folder.replace("/", "-") + "-" + program.stem
        source = program.read_bytes()
        (corpus / "compile" / name).write_bytes(source)
        (corpus / "run" / name).write_bytes(source)
        code = compiledbytes(program)
        if code is not None:
            (corpus / "bytecode" / name).write_bytes(code)
