#!/usr/bin/env bash
# Installation paths under Windows code page 1251: see code_pages/matrix.sh.
source "$(dirname "$0")/lib.sh"
CODE_PAGE=1251
source "$(dirname "$0")/code_pages/matrix.sh"
run_matrix
finish
