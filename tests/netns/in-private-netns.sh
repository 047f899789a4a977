#!/bin/sh
# Runs a command in a network namespace of its own with only loopback up, so that tests can serve
# ports 80 and 69 on 127.0.0.x without touching the host's network. The namespace is anonymous:
# it disappears with the command however that ends, so nothing is left to clean up. Without root,
# a user namespace supplies the rights inside.
set -eu
user_namespace=""
[ "$(id -u)" -eq 0 ] || user_namespace="--map-root-user"
# shellcheck disable=SC2086  # an empty option must vanish
exec unshare --net $user_namespace -- sh -c 'ip link set lo up && exec "$@"' in-private-netns "$@"
