# Sourced by the Windows test drivers: starts the Linux build's spooler
# stand-in on a free loopback port and stops it when the driver exits.
#   start_standin STANDIN FOLDER [OPTIONS...]   sets STANDIN_PORT; requests land in FOLDER/received
standin_pids=()
stop_standins() {
  local pid
  for pid in "${standin_pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
}
trap stop_standins EXIT

start_standin() {
  local program="$1" folder="$2"
  shift 2
  mkdir -p "$folder"
  rm -f "$folder/port"
  "$program" --out "$folder/received" --address 127.0.0.1 --port 0 --port-file "$folder/port" "$@" \
    </dev/null >"$folder/standin.log" 2>&1 &
  standin_pids+=($!)
  local tries=0
  until [ -s "$folder/port" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 200 ]; then echo "the stand-in did not start" >&2; return 1; fi
    sleep 0.05
  done
  STANDIN_PORT=$(cat "$folder/port")
}
