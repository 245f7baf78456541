// The termination request shared by the signal handler and the event wait.
#pragma once

namespace platform {
// The read end of the pipe that a termination signal writes to; -1 before
// InstallTerminationHandler.
int TerminationWakeFd();
}  // namespace platform
