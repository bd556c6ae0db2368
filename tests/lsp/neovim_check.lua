-- Drives `scenario-builder lsp` from Neovim's own LSP client, headless, as an
-- author would use it: the configuration of docs/editors.md, a source with a
-- misspelt keyword, its diagnostic, the quick fix applied and the diagnostic
-- gone, a hover, and the formatting. Exits 0 when every step holds; prints
-- each step; `cquit` with the reason otherwise.
local exe = assert(os.getenv('SB_EXE'), 'SB_EXE: the program')
local dir = assert(os.getenv('SB_DIR'), 'SB_DIR: the folder of the sources')

local function say(text) io.stdout:write('neovim: ' .. text .. '\n') end
local function fail(text)
  io.stderr:write('neovim: FAILED: ' .. text .. '\n')
  vim.cmd('cquit 1')
end
local function expect(cond, text) if not cond then fail(text) end end

vim.cmd('edit ' .. dir .. '/T_linea.txt')
local buf = vim.api.nvim_get_current_buf()

-- The configuration of docs/editors.md, for Neovim 0.7.
local client_id = vim.lsp.start_client({
  name = 'scenario-builder',
  cmd = { exe, 'lsp' },
  root_dir = dir,
})
expect(client_id ~= nil, 'the server did not start')
vim.lsp.buf_attach_client(buf, client_id)

local function diagnostics()
  return vim.diagnostic.get(buf)
end
local function code_of(d)
  if d.code ~= nil then return d.code end
  return d.user_data and d.user_data.lsp and d.user_data.lsp.code
end

-- 1. The mistake of line 4, `pendnza`, is underlined.
expect(vim.wait(10000, function() return #diagnostics() > 0 end, 20), 'no diagnostics arrived')
local d = diagnostics()[1]
say(string.format('diagnostic at %d:%d code %s: %s', d.lnum + 1, d.col + 1, tostring(code_of(d)),
  d.message))
expect(d.lnum == 3 and d.col == 0, 'the diagnostic is not at line 4, column 1')
expect(code_of(d) == 'unknown-keyword', 'the diagnostic has not the warning name')

-- 2. The quick fix writes `pendenza`; the diagnostic goes.
-- Neovim 0.7 keeps the protocol's diagnostic without its range: give it
-- back as the client saw it.
local lsp_diagnostic = {
  range = { start = { line = d.lnum, character = d.col },
            ['end'] = { line = d.end_lnum, character = d.end_col } },
  message = d.message, code = code_of(d), severity = d.severity }
local actions = vim.lsp.buf_request_sync(buf, 'textDocument/codeAction', {
  textDocument = { uri = vim.uri_from_bufnr(buf) },
  range = lsp_diagnostic.range,
  context = { diagnostics = { lsp_diagnostic } },
}, 5000)
local action = actions and actions[client_id] and actions[client_id].result and
    actions[client_id].result[1]
expect(action ~= nil, 'no quick fix: ' .. vim.inspect(actions))
say('quick fix: ' .. action.title)
vim.lsp.util.apply_workspace_edit(action.edit, 'utf-16')
local fixed = vim.api.nvim_buf_get_lines(buf, 3, 4, false)[1]
expect(fixed:sub(1, 9) == 'pendenza,', 'the quick fix was not applied: ' .. fixed)
expect(vim.wait(10000, function() return #diagnostics() == 0 end, 20),
  'the diagnostic did not go after the edit')
say('after the edit: no diagnostic')

-- 3. A mistake typed in: it is underlined as it is typed.
vim.api.nvim_buf_set_lines(buf, 5, 5, false, { 'curvad9,  2000,  300' })
expect(vim.wait(10000, function() return #diagnostics() > 0 end, 20),
  'no diagnostic for the typed mistake')
d = diagnostics()[1]
say(string.format('typed mistake: %d:%d code %s', d.lnum + 1, d.col + 1, tostring(code_of(d))))
expect(d.lnum == 5, 'the typed mistake is not on line 6')
vim.api.nvim_buf_set_lines(buf, 5, 6, false, {})
expect(vim.wait(10000, function() return #diagnostics() == 0 end, 20),
  'the diagnostic did not go')

-- 4. Hover on the position of the gradient row: the field, and the cells
-- its gradient went to.
local hover = vim.lsp.buf_request_sync(buf, 'textDocument/hover', {
  textDocument = { uri = vim.uri_from_bufnr(buf) },
  position = { line = 3, character = 11 },
}, 5000)
local contents = hover and hover[client_id] and hover[client_id].result and
    hover[client_id].result.contents
expect(contents ~= nil, 'no hover')
say('hover: ' .. contents.value:gsub('\n', ' '))
expect(contents.value:find('position', 1, true) ~= nil, 'the hover does not name the field')
expect(contents.value:find('stored as 102 in cells 2 to 239 (100 m to 12 000 m)', 1, true) ~= nil,
  'the hover does not tell what the row compiles to')

-- 5. Formatting aligns the rows of a section.
vim.lsp.buf.formatting_sync(nil, 5000)
local formatted = vim.api.nvim_buf_get_lines(buf, 0, -1, false)
say('formatted: ' .. formatted[4] .. ' | ' .. formatted[5])
expect(formatted[4] == 'pendenza,    100,   2', 'not formatted: ' .. formatted[4])
expect(formatted[5] == 'pendenza,  12000,  -6', 'not formatted: ' .. formatted[5])

vim.lsp.stop_client(client_id)
say('every step holds')
vim.cmd('qa!')
