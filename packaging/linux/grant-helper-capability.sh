#!/usr/bin/env bash
# Instead of asking for authentication at every start, lets the members of one group run the
# address helper with CAP_NET_ADMIN as a file capability. Run as root after installing.
#   grant-helper-capability.sh GROUP [HELPER]   (default HELPER: the installed helper)
set -euo pipefail
group=${1:?usage: grant-helper-capability.sh GROUP [HELPER]}
helper=${2:-@RLQ_NET_HELPER_PATH@}
getent group "$group" >/dev/null || { echo "no group $group" >&2; exit 1; }
chown "root:$group" "$helper"
chmod 0750 "$helper"
setcap cap_net_admin+ep "$helper"
getcap "$helper"
