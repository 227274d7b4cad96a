#!/usr/bin/env bash
# The DLL's binary interface and its bytes on the wire: the cross-built C
# caller loads qtlapi.dll, calls each of the eight entries through a pointer
# of its declared type against a stand-in; the same C source built for Linux
# makes the same calls through libqtlapi.so against a second stand-in; both
# stand-ins must have received exactly the same requests, and both libraries
# must have logged the same messages.
# Usage: wire_test.sh SOURCE_DIR WORK_DIR STANDIN LINUX_LIBRARY WINE_RUN PREFIX CALLER_EXE DLL
set -euo pipefail
source_dir=$1 work=$2 standin=$3 linux_library=$4 wine_run=$5 prefix=$6 caller=$7 dll=$8
. "$source_dir/tests/windows/standin.sh"
rm -rf "$work" && mkdir -p "$work/windows-root" "$work/linux-root"

start_standin "$standin" "$work/windows" --reply "PFX;the reply"
CORVANTA_ROOT="Z:$work/windows-root" "$wine_run" "$prefix" "$caller" "$dll" "127.0.0.1:$STANDIN_PORT" \
  | tr -d '\r' | tee "$work/windows.txt"

cc -std=c11 -O0 -I "$source_dir/spoolclient" -o "$work/abi_caller_linux" "$source_dir/tests/windows/abi_caller.c" -ldl
start_standin "$standin" "$work/linux" --reply "PFX;the reply"
CORVANTA_ROOT="$work/linux-root" "$work/abi_caller_linux" "$linux_library" "127.0.0.1:$STANDIN_PORT" \
  | tee "$work/linux.txt"

stop_standins
diff "$work/windows.txt" "$work/linux.txt"
count=$(ls "$work/windows/received"/*.header | wc -l)
[ "$count" -eq 8 ] || { echo "expected 8 requests on the wire, found $count" >&2; exit 1; }
diff -r "$work/windows/received" "$work/linux/received"
echo "8 requests, identical on the wire"
# Log lines: program, thread and time differ; the messages must not.
messages() { cat "$1"/qtlapi/dll*.txt | tr -d '\r' | cut -d' ' -f4-; }
messages "$work/windows-root" >"$work/windows-log.txt"
messages "$work/linux-root" >"$work/linux-log.txt"
grep -q "error 10061" "$work/windows-log.txt" || { echo "no connect failure logged" >&2; exit 1; }
diff "$work/windows-log.txt" "$work/linux-log.txt"
echo "the same library log messages"
