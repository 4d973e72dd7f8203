-- Neovim's built-in client for `vesk --lsp`: require("vesk").setup() in init.lua starts the server
-- for each buffer of the filetype vesk, one server for each folder, and attaches the buffer to it.
local M = {}

function M.setup(options)
  options = options or {}
  local cmd = options.cmd or { "vesk", "--lsp" }
  local clients = {}
  vim.api.nvim_create_autocmd("FileType", {
    pattern = "vesk",
    callback = function(event)
      local folder = vim.fn.fnamemodify(vim.api.nvim_buf_get_name(event.buf), ":p:h")
      local id = clients[folder]
      if not id or not vim.lsp.get_client_by_id(id) then
        id = vim.lsp.start_client({ name = "vesk", cmd = cmd, root_dir = folder })
        clients[folder] = id
      end
      if id then
        vim.lsp.buf_attach_client(event.buf, id)
      end
    end,
  })
end

return M
