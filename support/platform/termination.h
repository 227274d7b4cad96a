#pragma once
// What a termination request (SIGTERM, SIGINT, SIGHUP: a cancelled job, a
// stopping service) does to this process. A program that writes a file which
// must not survive half-written removes it on the way out; a program that
// waits for a child which must finish its work notes the request and goes on.
#include <string>

namespace platform {

// From now on a termination request removes `pathToRemove` (when not empty)
// and ends the process at once with `exitCode`. Safe to call again with
// another path; the latest call wins.
void AbandonOnTermination(const std::string& pathToRemove, int exitCode);

// From now on a termination request is only noted (TerminationRequested());
// programs started afterwards get the default handling back.
void DeferTermination();

// True once a request arrived while deferred.
bool TerminationRequested();

}  // namespace platform
