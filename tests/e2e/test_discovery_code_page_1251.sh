#!/usr/bin/env bash
# Runtimes under non-ASCII folders found under Windows code page 1251: see code_pages/discovery.sh.
source "$(dirname "$0")/lib.sh"
CODE_PAGE=1251
source "$(dirname "$0")/code_pages/matrix.sh"
source "$(dirname "$0")/code_pages/discovery.sh"
run_discovery_cells
finish
