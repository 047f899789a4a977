#!/bin/sh
# Runs a command in a network namespace of its own with only loopback up, so that tests can serve
# ports 80 and 69 on 127.0.0.x without touching the host's network. The namespace is anonymous:
# it disappears with the command however that ends, so nothing is left to clean up.
set -eu
exec unshare --net -- sh -c 'ip link set lo up && exec "$@"' in-private-netns "$@"
