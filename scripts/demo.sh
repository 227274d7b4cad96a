#!/usr/bin/env bash
# Builds the system and routes a demonstration print job through a
# demonstration routing table in a temporary CORVANTA_ROOT: a local copy, a
# proxy hand-off, a Quillet forwarding and (when the client library and the
# spooler stand-in are built) spooler sends to the stand-in on a free loopback
# port. Prints the router's log and the files the run left behind.
# KEEP_DEMO=1 keeps the temporary folder for a closer look.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

router="$PWD/build/bin/rdx64run"
standin="$PWD/build/bin/spooler-standin"
library="$PWD/build/lib/libqtlapi.so"
[ -x "$router" ] || { echo "demo: $router was not built" >&2; exit 1; }

root="$(mktemp -d /tmp/corvanta-demo-XXXXXX)"
standin_pid=""
cleanup() {
  if [ -n "$standin_pid" ]; then
    kill "$standin_pid" 2>/dev/null || true
    wait "$standin_pid" 2>/dev/null || true
  fi
  if [ "${KEEP_DEMO:-0}" = 1 ]; then echo "demo: kept $root"; else rm -rf "$root"; fi
}
trap cleanup EXIT

export CORVANTA_ROOT="$root"
mkdir -p "$root/etc/corvanta" "$root/var/lib/Corvanta/Stampline" "$root/spool"
cat > "$root/etc/corvanta/Quillet.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<Quillet>
  <Quill><ImportPath>$root/quillet/import</ImportPath></Quill>
  <Quill2><ImportPath>$root/quillet/import2</ImportPath></Quill2>
</Quillet>
XML

spooler_lines=""
if [ -x "$standin" ] && [ -e "$library" ]; then
  "$standin" --out "$root/spooler-received" --address 127.0.0.1 --port 0 --port-file "$root/spooler.port" \
    >"$root/spooler-standin.out" 2>&1 &
  standin_pid=$!
  for _ in $(seq 1 100); do [ -s "$root/spooler.port" ] && break; sleep 0.1; done
  [ -s "$root/spooler.port" ] || { echo "demo: the spooler stand-in did not start" >&2; exit 1; }
  port="$(cat "$root/spooler.port")"
  echo "demo: spooler stand-in listening on 127.0.0.1:$port"
  spooler_lines="Invoices\t127.0.0.1\t$port\t10\r\nANYPRINTER\t127.0.0.1\t$port\t10\r\n"
else
  echo "demo: client library or spooler stand-in not built; no spooler sends"
fi

# The routing table, as the setup tool writes it (TAB-separated, CR LF).
printf "${spooler_lines}Invoices\tlocalcopy.invalid\t$root/archive\t\r\nInvoices\tproxy:10.0.0.5\t20004\t\r\nInvoices\tquillet:1\t\t\r\n" \
  > "$root/etc/corvanta/kvp64exe.dat"
echo
echo "== routing table $root/etc/corvanta/kvp64exe.dat"
sed 's/\t/ | /g; s/\r$//' "$root/etc/corvanta/kvp64exe.dat"

printf '%%!PS-Adobe-3.0\n%%%%Title: Invoice 2025-0042\n/Helvetica findfont 12 scalefont setfont\n72 720 moveto (Invoice 2025-0042) show showpage\n' \
  > "$root/spool/invoice.prn"
printf 'label job\n' > "$root/spool/label.prn"

echo
echo "== rdx64run $root/spool/invoice.prn Invoices \"Invoice 2025-0042\""
"$router" "$root/spool/invoice.prn" Invoices "Invoice 2025-0042"
echo "== rdx64run $root/spool/label.prn Labels \"Shipping label\""
"$router" "$root/spool/label.prn" Labels "Shipping label"

echo
echo "== router log"
cat "$root"/var/lib/Corvanta/Stampline/rdx64*.txt 2>/dev/null | tr -d '\r' || echo "(empty)"
if [ -n "$standin_pid" ]; then
  echo "(ret=-13 is a delivered job: the spooler answered with status 0, and as the router asks for"
  echo " no reply, the client library reports that it had nowhere to store one)"
fi
echo
echo "== files left behind"
(cd "$root" && find . -type f ! -path './etc/*' ! -name 'spooler.port' ! -name 'spooler-standin.out' | sort)
for say in "$root"/var/lib/Corvanta/Stampline/proxydata/*.say; do
  echo "-- $(basename "$say"):"; tr -d '\r' < "$say"
done
if [ -n "$standin_pid" ]; then
  echo
  echo "== what the spooler stand-in received"
  for header in "$root"/spooler-received/*.header; do
    [ -e "$header" ] || continue
    echo "-- $(basename "$header"):"; grep -E '^(command|id|length|timeout|status)=' "$header"
  done
fi

# The demonstration must have done what it shows.
fail=0
check() { if ! eval "$1"; then echo "demo: FAILED: $2" >&2; fail=1; fi; }
check '[ ! -e "$root/spool/invoice.prn" ] && [ ! -e "$root/spool/label.prn" ]' "the job files were not consumed"
check 'ls "$root"/archive/*.prn >/dev/null 2>&1' "no local copy"
check 'ls "$root"/var/lib/Corvanta/Stampline/proxydata/*.say >/dev/null 2>&1' "no proxy hand-off"
check 'ls "$root"/quillet/import/*.ps >/dev/null 2>&1' "no Quillet forwarding"
if [ -n "$standin_pid" ]; then
  check '[ "$(ls "$root"/spooler-received/*.header 2>/dev/null | wc -l)" -eq 2 ]' "the stand-in did not receive both jobs"
  check 'grep -q "for Labels, ret=" "$root"/var/lib/Corvanta/Stampline/rdx64*.txt' "no fallback send logged"
fi
[ "$fail" = 0 ] && echo && echo "demo: done"
exit "$fail"
