#!/usr/bin/env bash
# Fails when the temporary address 10.10.1.1 is left on any interface of the PC namespace.
#   check-no-temp-address.sh [namespace]   (default: $RLQ_NS_PC)
set -euo pipefail
ns=${1:-${RLQ_NS_PC:?run inside with-netns.sh or name the namespace}}
if ip -n "$ns" -4 -o addr show | grep -q ' inet 10\.10\.1\.1/'; then
    echo "check-no-temp-address.sh: 10.10.1.1 left in $ns:" >&2
    ip -n "$ns" -4 -o addr show >&2
    exit 1
fi
