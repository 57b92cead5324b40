#!/usr/bin/env bash
echo "run.sh: the window is not built yet" >&2
exit 1
