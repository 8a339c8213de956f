#!/usr/bin/env bash
# A web browser for tests: fetches the address it is given, as a browser
# would (HTTP/1.1 with a Host line, over a plain TCP connection), and keeps
# the whole reply in FOLDER under the address with every character other
# than letters, digits and '.' turned into '_'. Like a browser that cannot
# show the page, it fails (exit status 1) unless the reply is "200 OK".
#   fetch-browser.sh FOLDER http://HOST[:PORT]/PATH
set -u
folder=$1 url=$2
rest=${url#http://}
hostport=${rest%%/*}
path=/${rest#*/}
[ "$rest" = "$hostport" ] && path=/
host=${hostport%:*}
port=80
[ "$host" != "$hostport" ] && port=${hostport##*:}
exec 3<>"/dev/tcp/$host/$port" || exit 1
printf 'GET %s HTTP/1.1\r\nHost: %s\r\nConnection: close\r\n\r\n' "$path" "$hostport" >&3
name=$folder/$(printf '%s' "$url" | tr -c 'A-Za-z0-9.' '_')
cat <&3 >"$name.part"
mv "$name.part" "$name"
head -n1 "$name" | grep -q '^HTTP/1\.[01] 200 '
