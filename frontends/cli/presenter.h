#pragma once
// What shows a run on the console: text for people (ConsolePresenter) or JSON lines
// (JsonPresenter). Each hears the run's events above the network's.

#include "app/program_events.h"
#include "firmware/transfer_events.h"
#include "workflow/sequence_events.h"

namespace rlq::cli {

class Presenter : public TransferObserver, public SequenceObserver, public ProgramObserver {};

}  // namespace rlq::cli
