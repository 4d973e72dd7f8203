-- Neovim's own client, attached through editors/vim/lua/vesk.lua, against vesk --lsp: diagnostics
-- on the guide's warnings example and on a program that does not compile, definitions and symbols
-- on a small program. Run by nvim.sh; ends Neovim with status 0 when every check holds.
local root = os.getenv("VESK_SOURCE_DIR")
local vesk = os.getenv("VESK_BINARY")
local passed, failed = 0, 0
local timeout = 5000

local function check(condition, what)
  if condition then
    passed = passed + 1
  else
    failed = failed + 1
    io.stderr:write("FAILED: " .. what .. "\n")
  end
end

local folder = vim.fn.tempname()
vim.fn.mkdir(folder, "p")

local function write(name, text)
  local file = assert(io.open(folder .. "/" .. name, "w"))
  file:write(text)
  file:close()
  return folder .. "/" .. name
end

local function read(path)
  local file = assert(io.open(path))
  local text = file:read("*a")
  file:close()
  return text
end

local function open(path)
  vim.cmd("edit " .. vim.fn.fnameescape(path))
  return vim.api.nvim_get_current_buf()
end

local function diagnostics(buffer, count)
  vim.wait(timeout, function()
    return #vim.diagnostic.get(buffer) >= count
  end, 20)
  local found = vim.diagnostic.get(buffer)
  table.sort(found, function(a, b)
    return a.lnum < b.lnum
  end)
  return found
end

local function request(buffer, method, params)
  vim.wait(timeout, function()
    return #vim.lsp.buf_get_clients(buffer) > 0
  end, 20)
  local replies = vim.lsp.buf_request_sync(buffer, method, params, timeout) or {}
  local _, reply = next(replies)
  return reply and reply.result
end

local function warnings()
  local buffer = open(write("warnings.VKEX", read(root .. "/tests/guide/warnings.VKEX")))
  check(vim.bo[buffer].filetype == "vesk", "a .VKEX file has the filetype vesk")
  -- The highlighting of editors/vim/syntax: (line, column, group), both 1-based as Vim counts.
  for _, want in ipairs({ { 1, 1, "veskInclude" }, { 2, 9, "veskNumber" }, { 4, 1, "veskStatement" }, { 5, 12, "veskString" },
                          { 9, 1, "veskBuiltin" } }) do
    local group = vim.fn.synIDattr(vim.fn.synID(want[1], want[2], 1), "name")
    check(group == want[3], "line " .. want[1] .. " column " .. want[2] .. " is " .. group .. ", not " .. want[3])
  end
  local found = diagnostics(buffer, 4)
  check(#found == 4, "four warnings, not " .. #found)
  local expected = {
    { 2, 0, "'total = count + 1' is not an assignment" },
    { 3, 3, "'(count > 2)' reads a variable named 'count '" },
    { 5, 2, "'else {...}' after the 'if' statement is ignored" },
    { 8, 10, "'totl' is read but assigned nowhere" },
  }
  for i, want in ipairs(expected) do
    local got = found[i] or {}
    check(got.lnum == want[1] and got.col == want[2], "warning " .. i .. " at line " .. tostring(got.lnum) .. " column " .. tostring(got.col))
    check(got.severity == vim.diagnostic.severity.WARN, "warning " .. i .. " is a warning")
    check(got.message and vim.startswith(got.message, want[3]), "warning " .. i .. ": " .. tostring(got.message))
  end
end

local function compileerror()
  local buffer = open(write("broken.VKEX", "also stdcon\nx = 1\n  if (1)\n"))
  local found = diagnostics(buffer, 1)
  check(#found == 1, "one error, not " .. #found)
  local error = found[1] or {}
  check(error.lnum == 2 and error.col == 2 and error.end_col == 8, "the error covers 'if (1)'")
  check(error.severity == vim.diagnostic.severity.ERROR, "the compile error is an error")
  check(error.message == "Incomplete if statement.", "the compile error's message: " .. tostring(error.message))
end

local function navigation()
  local program = table.concat({
    "def add(a, b) {",
    "    return a+b",
    "}",
    "class point {",
    "    def show() {",
    "        return 1",
    "    }",
    "}",
    "total = add(1, 2)",
    "p = point()",
    "p.show()",
    "",
  }, "\n")
  local buffer = open(write("small.VKEX", program))
  local document = { uri = vim.uri_from_bufnr(buffer) }
  local function definition(line, character)
    local found = request(buffer, "textDocument/definition", { textDocument = document, position = { line = line, character = character } })
    return found and found.range and found.range.start
  end
  local add = definition(8, 9)
  check(add and add.line == 0 and add.character == 4, "add( leads to its def")
  local show = definition(10, 3)
  check(show and show.line == 4 and show.character == 8, "p.show leads to the method")
  local point = definition(9, 5)
  check(point and point.line == 3, "point( leads to the class")

  local symbols = request(buffer, "textDocument/documentSymbol", { textDocument = document }) or {}
  local items = vim.lsp.util.symbols_to_items(symbols, buffer)
  local texts = {}
  for _, item in ipairs(items) do
    table.insert(texts, item.text)
  end
  local listed = table.concat(texts, ", ")
  check(listed == "[Function] add, [Class] point, [Method] show, [Variable] total, [Variable] p", "symbols: " .. listed)
end

local ok, problem = pcall(function()
  require("vesk").setup({ cmd = { vesk, "--lsp" } })
  warnings()
  compileerror()
  navigation()
end)
if not ok then
  check(false, tostring(problem))
end
io.stderr:write(passed .. " passed, " .. failed .. " failed\n")
vim.fn.delete(folder, "rf")
vim.cmd(failed == 0 and "qall!" or "cquit 1")
