# `vostrel serve` driven by a real MPD client (mpc) on a free port: browsing
# the tree, the queue, searching, playback, idle, bad input from raw
# sockets, and a clean end on SIGTERM.

if [ -n "${VOSTREL_WITHOUT_WINDOWS:-}" ]; then
  echo "mpd_serve_test: skipped in a build without the windows, which has no serve"
  exit 77
fi

if ! command -v mpc >/dev/null; then
  failed=$((failed + 1))
  echo "FAILED mpc is not installed (scripts/setup installs it)"
  return
fi

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$VOSTREL" --profile "$PROFILE" --library "$LIB" serve --mpd-port "$port" >"$WORK/serve.out" 2>"$WORK/serve.err" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$WORK"' EXIT
m() { timeout 20 mpc -h 127.0.0.1 -p "$port" "$@" 2>&1; }
# live ARGS...: a command on the served profile (sent to the server, which
# refuses --library there); sets OUT, ERR, RC as vos does.
live() {
  "$VOSTREL" --profile "$PROFILE" "$@" >"$WORK/out" 2>"$WORK/err"
  RC=$?
  OUT=$(cat "$WORK/out")
  ERR=$(cat "$WORK/err")
}
for _ in $(seq 200); do
  m status >/dev/null && break
  sleep 0.1
done
check_contains "serve says where it listens" "port $port" "$(cat "$WORK/serve.err")"

# The tree is the music directory; a query node runs when listed.
check "mpc ls shows the top of the tree" "[Files]
<Examples>
Jazz" "$(m ls)"
live tree
tree_library=$(printf '%s\n' "$OUT" | sed -n '/^  Library$/,/^  [^ ]/p' | sed -n 's/^    \([^ ].*\)$/<Examples>\/Library\/\1/p')
check "mpc ls shows a folder as the tree does" "$tree_library" "$(m ls '<Examples>/Library')"
check "mpc ls runs a query node" "<Examples>/Library/Album/Alpha
<Examples>/Library/Album/Beta" "$(m ls '<Examples>/Library/Album')"

# Adding a result node fills the queue in the node's order: the order its
# click sends to a playlist.
m clear >/dev/null
m add '<Examples>/Library/Album/Alpha' >/dev/null
queue=$(m -f '%file%' playlist)
live click '<Examples>/Library/Album/Alpha'
check "a forwarded click works" "0" "$RC"
# A forwarded command's relative paths are the sender's, not the server's.
mkdir -p "$WORK/elsewhere"
(cd "$WORK/elsewhere" && live playlists export "Vostrel playlist" relative.m3u)
check "a forwarded export writes into the sender's folder" "yes" \
  "$([ -s "$WORK/elsewhere/relative.m3u" ] && echo yes || echo no)"
live playlists
sent=$(printf '%s\n' "$OUT" | sed -n '/^Vostrel playlist/,/^[^ ]/p' | sed -n 's/^  file:\/\/\(.*\)$/[Files]\1/p')
check "mpc add fills the queue in the node's order" "$sent" "$queue"
check "the queue is the active playlist" "[Files]/music/Alpha/First/01 One.flac
[Files]/music/Alpha/First/02 Two.flac" "$(m -f '%file%' playlist)"

check "mpc search ignores case" \
  "$(live sql "SELECT title FROM MediaLibrary WHERE artist LIKE '%alp%' ORDER BY title" --format tsv; printf '%s\n' "$OUT" | tail -n +2)" \
  "$(m -f '%title%' search artist ALP | sort)"
check "mpc list album gives the library's albums" \
  "$(live sql "SELECT DISTINCT album FROM MediaLibrary WHERE album IS NOT NULL ORDER BY album" --format tsv; printf '%s\n' "$OUT" | tail -n +2)" \
  "$(m list album)"
live playlists
check "mpc lsplaylists gives the playlists other than the queue" \
  "$(printf '%s\n' "$OUT" | grep -v '^ ' | grep -v '(active' | sed 's/ (playing)//')" "$(m lsplaylists)"

# Playback: plays where an audio output exists, and says why not elsewhere.
play=$(m play)
if [[ "$play" == *"playback is not available"* ]]; then
  check_contains "mpc status says why nothing plays" "ERROR: no audio" "$(m status)"
else
  check_contains "mpc play plays" "[playing]" "$play"
  m stop >/dev/null
fi

# idle wakes on a change a forwarded command makes.
timeout 20 mpc -h 127.0.0.1 -p "$port" idle playlist stored_playlist >"$WORK/idle.out" 2>&1 &
idle=$!
sleep 0.5
live click '<Examples>/Library/Album/Beta'
wait "$idle"
check "mpc idle wakes on a forwarded click" "0 playlist" "$? $(cat "$WORK/idle.out")"

# Bad input from raw clients: refused, and the server keeps serving.
raw() { timeout 60 python3 - "$port" "$@"; }
check "bad requests get the protocol's errors" \
  "ACK [5@0] {} unknown command \"frob\"
ACK [2@0] {play} wrong number of arguments for \"play\"
ACK [5@0] {} Missing closing '\"'
OK" "$(raw <<'PY'
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
f = s.makefile("rb")
f.readline()
s.sendall(b'frob\nplay 1 2\nadd "open\nping\n')
for _ in range(4): print(f.readline().decode().rstrip("\n"))
PY
)"
check "an over-long line is refused and the client closed" "ACK [2@0] {} line too long (more than 8192 bytes)|closed" \
  "$(raw <<'PY'
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
f = s.makefile("rb")
f.readline()
s.sendall(b"x" * 9000)
line = f.readline().decode().rstrip("\n")
try:
    closed = f.readline() == b""
except ConnectionResetError:
    closed = True
print(line + "|" + ("closed" if closed else "open"))
PY
)"
check "a command list that never ends is cut off" "ACK [2@4096] {} command list too long (at most 4096 commands, 1048576 bytes)" \
  "$(raw <<'PY'
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
f = s.makefile("rb")
f.readline()
try:
    s.sendall(b"command_list_begin\n" + b"ping\n" * 4200)
except OSError:
    pass
print(f.readline().decode().rstrip("\n"))
PY
)"
check "hundreds of connections: the ones past the limit are turned away, the others served" "200 refused|OK" \
  "$(raw <<'PY'
import socket, sys, time
port = int(sys.argv[1])
held, refused = [], 0
for _ in range(300):
    s = socket.create_connection(("127.0.0.1", port))
    f = s.makefile("rb")
    if f.readline().startswith(b"ACK"):
        refused += 1
    held.append((s, f))
held[0][0].sendall(b"ping\n")
print(f"{refused} refused|" + held[0][1].readline().decode().rstrip("\n"))
PY
)"
check "a client that stops reading does not hold up others" "OK" "$(raw <<'PY'
import socket, sys, time, subprocess
port = int(sys.argv[1])
stuck = socket.create_connection(("127.0.0.1", port))
stuck.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
stuck.setblocking(False)
sent = 0
request = b'listallinfo "[Files]"\n' * 2000
deadline = time.time() + 10
while time.time() < deadline and sent < 40 * len(request):
    try:
        sent += stuck.send(request)
    except BlockingIOError:
        time.sleep(0.01)
    except OSError:
        break
start = time.time()
other = socket.create_connection(("127.0.0.1", port))
f = other.makefile("rb")
f.readline()
other.sendall(b"ping\n")
answer = f.readline().decode().rstrip("\n")
print(answer if time.time() - start < 2 else "slow: " + answer)
PY
)"
check_contains "the server still answers mpc" "volume:" "$(m status)"

# SIGTERM: saved and ended cleanly.
kill -TERM "$server"
wait "$server"
check "serve ends with status 0 on SIGTERM" "0" "$?"
trap 'rm -rf "$WORK"' EXIT
vos playlists
check_contains "the clients' changes were saved" "Vostrel playlist" "$OUT"

# Another address only with a password.
vos serve --mpd-address 0.0.0.0 --mpd-port "$port"
check "a non-loopback address needs a password" "2" "$RC"
check_contains "and says so" "set a password for MPD clients first" "$ERR"
