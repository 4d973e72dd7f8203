// Tokenizes programs with the TextMate engine VS Code uses and checks the scopes the grammar of
// editors/vscode gives their keywords, strings, numbers and operators.
// node grammar_test.js SOURCE_DIR  (vscode-textmate and vscode-oniguruma on NODE_PATH)
const fs = require("fs");
const path = require("path");
const oniguruma = require("vscode-oniguruma");
const textmate = require("vscode-textmate");

const root = process.argv[2];
const extension = path.join(root, "editors/vscode");
let passed = 0;
let failed = 0;

function check(condition, what) {
  if (condition) {
    passed += 1;
  } else {
    failed += 1;
    console.log("FAILED: " + what);
  }
}

async function loadgrammar() {
  const wasm = fs.readFileSync(require.resolve("vscode-oniguruma/release/onig.wasm"));
  await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
  const manifest = JSON.parse(fs.readFileSync(path.join(extension, "package.json"), "utf8"));
  const contributed = manifest.contributes.grammars[0];
  const registry = new textmate.Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
      createOnigString: (text) => new oniguruma.OnigString(text),
    }),
    loadGrammar: async (scope) => {
      if (scope !== contributed.scopeName) return null;
      const file = path.join(extension, contributed.path);
      return textmate.parseRawGrammar(fs.readFileSync(file, "utf8"), file);
    },
  });
  return registry.loadGrammar(contributed.scopeName);
}

// The tokens of a text, line by line, each with its text and its innermost scope.
function tokenize(grammar, text) {
  let state = textmate.INITIAL;
  const tokens = [];
  for (const line of text.split("\n")) {
    const result = grammar.tokenizeLine(line, state);
    for (const token of result.tokens) {
      tokens.push({ text: line.slice(token.startIndex, token.endIndex), scopes: token.scopes });
    }
    state = result.ruleStack;
  }
  return tokens;
}

function scopeof(tokens, text) {
  const token = tokens.find((t) => t.text === text);
  return token ? token.scopes[token.scopes.length - 1] : "(no token " + JSON.stringify(text) + ")";
}

function expectscopes(grammar, line, expected) {
  const tokens = tokenize(grammar, line);
  for (const [text, scope] of Object.entries(expected)) {
    const found = scopeof(tokens, text);
    check(found === scope, JSON.stringify(line) + ": " + JSON.stringify(text) + " is " + found + ", not " + scope);
  }
}

function manifestholds() {
  const manifest = JSON.parse(fs.readFileSync(path.join(extension, "package.json"), "utf8"));
  const language = manifest.contributes.languages[0];
  check(language.extensions.includes(".VKEX"), "the manifest claims .VKEX");
  check(fs.existsSync(path.join(extension, manifest.main)), "the manifest's entry point exists");
  const configuration = JSON.parse(fs.readFileSync(path.join(extension, language.configuration), "utf8"));
  const pairs = configuration.autoClosingPairs.map((p) => p.open + p.close);
  check(["{}", "[]", "()", '""'].every((p) => pairs.includes(p)), "brackets and quotes close themselves");
  check(fs.readFileSync(path.join(extension, "extension.js"), "utf8").includes('"--lsp"'), "the extension starts vesk --lsp");
}

async function main() {
  manifestholds();
  const grammar = await loadgrammar();
  expectscopes(grammar, "also stdcon", { also: "keyword.control.import.vesk", stdcon: "entity.name.namespace.vesk" });
  expectscopes(grammar, "def add(a, b) {", { def: "storage.type.vesk", add: "entity.name.function.vesk" });
  expectscopes(grammar, "class point {", { class: "storage.type.vesk", point: "entity.name.function.vesk" });
  expectscopes(grammar, "if (count > 2) {", {
    if: "keyword.control.vesk",
    ">": "keyword.operator.vesk",
    "2": "constant.numeric.integer.vesk",
    "{": "punctuation.section.block.vesk",
  });
  expectscopes(grammar, "for ([1, 2]) as n {", { for: "keyword.control.vesk", as: "keyword.control.vesk" });
  expectscopes(grammar, "    return a+b", { return: "keyword.control.vesk", "+": "keyword.operator.vesk" });
  expectscopes(grammar, "x = 2.5", { "=": "keyword.operator.assignment.vesk", "2.5": "constant.numeric.float.vesk" });
  expectscopes(grammar, "print(str(6 xor 3))", {
    print: "support.function.builtin.vesk",
    str: "support.function.builtin.vesk",
    xor: "keyword.operator.word.vesk",
  });
  expectscopes(grammar, 'print("one\\ntwo")', {
    "one": "string.quoted.double.vesk",
    "\\n": "constant.character.escape.vesk",
    '"': "punctuation.definition.string.begin.vesk",
  });
  expectscopes(grammar, "Gprogroot.stdout.write(Gtotal)", {
    Gprogroot: "variable.language.vesk",
    Gtotal: "variable.other.global.vesk",
  });
  expectscopes(grammar, "p = &x", { "&": "keyword.operator.prefix.vesk" });
  expectscopes(grammar, "print(str(1==2))", { "==": "keyword.operator.vesk" });
  // A string left open ends with its line: the next line is read afresh.
  const open = tokenize(grammar, 'greeting = "hello\nprint(greeting)');
  check(scopeof(open, "print") === "support.function.builtin.vesk", "an unclosed string ends at its line");

  // Every tested program tokenizes, each keyword it starts a line with in a keyword's scope.
  const folders = ["examples", "tests/guide", "tests/programs"].map((f) => path.join(root, f));
  let programs = 0;
  for (const folder of folders) {
    for (const name of fs.readdirSync(folder).filter((n) => n.endsWith(".VKEX"))) {
      const text = fs.readFileSync(path.join(folder, name), "utf8");
      const tokens = tokenize(grammar, text);
      for (const line of text.split("\n")) {
        const word = line.trim().split(/[ (]/)[0];
        if (["if", "while", "for", "return"].includes(word)) {
          const token = tokenize(grammar, line).find((t) => t.text === word);
          check(token && token.scopes.includes("keyword.control.vesk"), name + ": " + line);
        }
      }
      check(tokens.length > 0, name + " tokenizes");
      programs += 1;
    }
  }
  check(programs > 30, "the tested programs were found");
  console.log(passed + " passed, " + failed + " failed");
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.log("FAILED: " + error.stack);
  process.exit(1);
});
