# Sourced by the scripts that check the example bibliography's URLs without
# leaving the machine.  Makes a work folder ($work), starts the test server
# of this folder on 127.0.0.1 (a free port, in $port) with an empty document
# root, and removes both when the script exits: the server is stopped by its
# process id, and stops by itself after a minute even if the script is
# killed.  stop_test_server stops it earlier.
work=$(mktemp -d)
server=
stop_test_server() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  server=
}
trap 'stop_test_server; rm -rf "$work"' EXIT

mkdir "$work/docroot"
python3 "$(dirname "${BASH_SOURCE[0]}")/http_server.py" --lifetime 60 --docroot "$work/docroot" \
  > "$work/port" &
server=$!
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  sleep 0.1
done
port=$(head -n 1 "$work/port")
[ -n "$port" ] || { echo "the test server did not start" >&2; exit 1; }
