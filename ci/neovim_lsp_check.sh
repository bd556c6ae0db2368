#!/usr/bin/env bash
# The language server from a real client: Neovim, headless, drives
# `scenario-builder lsp` through tests/lsp/neovim_check.lua with the
# configuration of docs/editors.md. Installs Debian's neovim when missing.
#
#   ci/neovim_lsp_check.sh PROGRAM
set -euo pipefail

exe=$(realpath "${1:?usage: $0 PROGRAM}")
cd "$(dirname "$0")/.."
if ! command -v nvim >/dev/null; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends neovim
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%s\n' '[generale]' 'lunghezza percorso,    40000' '[pendenze]' \
  'pendnza,  100,  2' 'pendenza,  12000, -6' '[fine]' >"$work/T_linea.txt"
printf '%s\n' '[generale]' 'velocita,  0,  80' 'segnale,  3200,  2, 2, 3,  1, 1,  2, 2, 1, 1,  0' \
  '[fine]' >"$work/T_1-.txt"

SB_EXE="$exe" SB_DIR="$work" timeout 120 \
  nvim --headless --clean -n -c "luafile tests/lsp/neovim_check.lua"
