// Starts `vesk --lsp` for the documents of the language vesk.
const vscode = require("vscode");
const { LanguageClient } = require("vscode-languageclient/node");

let client;

function activate() {
  const command = vscode.workspace.getConfiguration("vesk").get("command", "vesk");
  const server = { command, args: ["--lsp"] };
  client = new LanguageClient("vesk", "VESK 4", server, { documentSelector: [{ language: "vesk" }] });
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
