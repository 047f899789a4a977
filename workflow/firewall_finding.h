#pragma once
// What the host firewall's settings say of the search's replies: a pure function. Only what the
// firewall told counts; a setting it did not tell blocks nothing.

#include "platform/search_probes.h"
#include "workflow/sequence_events.h"

namespace rlq {

// A rule that blocks first, for it wins over any allowing one; then a profile that blocks all
// inbound; then one that drops unicast replies with no rule to let them in; else another maker's
// firewall, whose own rules cannot be read.
FirewallFinding FindInFirewall(const platform::FirewallState& state);

}  // namespace rlq
