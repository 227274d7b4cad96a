#pragma once
// Binding the client library and sending one job file through it: shared by
// the router and the resend command, so both reach the back ends alike.
#include <cstdint>

#include "router/maicomm3.h"
#include "support/ansi_split.h"
#include "support/platform/shared_library.h"

// Loads the client library (beside the program first) and resolves
// _maicomm3. On failure `failure` holds the log line that says why
// ("Could not load qtlapi DLL, error n" or "GetProcAddress() error n") and
// the library is unloaded.
bool BindMaicomm3(platform::SharedLibrary& library, Maicomm3Function& entry, AnsiString& failure);

// Sends the whole file `jobPath` for `printerName` to `hostPort`, waiting at
// most `timeoutSec` per send or receive (0: no limit); the library's result.
int32_t SendJobFile(Maicomm3Function entry, const AnsiString& printerName, const AnsiString& hostPort,
                    const AnsiString& jobPath, int32_t timeoutSec);

// True when the result says the job reached the back end: status 0 comes
// back as the library's "no reply file" code, since the router asks for no
// reply, and a "!" printer id sends without reading the reply.
bool SendReachedBackEnd(int32_t result);
