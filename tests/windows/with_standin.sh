#!/usr/bin/env bash
# Runs a Windows test program under Wine beside a spooler stand-in, which it
# finds through CORVANTA_TEST_STANDIN_PORT and CORVANTA_TEST_STANDIN_OUT.
# Usage: with_standin.sh SOURCE_DIR WORK_DIR STANDIN WINE_RUN PREFIX PROGRAM [ARGS...]
set -euo pipefail
source_dir=$1 work=$2 standin=$3
shift 3
. "$source_dir/tests/windows/standin.sh"
rm -rf "$work" && mkdir -p "$work"
start_standin "$standin" "$work/standin" --fail Labels=77
export CORVANTA_TEST_STANDIN_PORT=$STANDIN_PORT CORVANTA_TEST_STANDIN_OUT="Z:$work/standin/received"
"$@"
