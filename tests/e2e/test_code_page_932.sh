#!/usr/bin/env bash
# Installation paths under Windows code page 932: see code_pages/matrix.sh.
source "$(dirname "$0")/lib.sh"
CODE_PAGE=932
source "$(dirname "$0")/code_pages/matrix.sh"
run_matrix
run_utf8_cell
finish
