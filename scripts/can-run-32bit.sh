#!/usr/bin/env bash
# Exit 0 when this machine can execute 32-bit x86 code, which Wine needs to run
# 32-bit Windows programs (some virtual machines are built without it).
/usr/lib/wine/wine --version >/dev/null 2>&1
