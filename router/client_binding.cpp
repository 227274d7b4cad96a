#include "router/client_binding.h"

#include <string>

#include "support/platform/win_error.h"

namespace {
// The library's results for a job the back end took (see qtlapi.h).
constexpr int32_t kResultOk = 0;
constexpr int32_t kResultSentNoReplyRead = -11;
constexpr int32_t kResultNoReplyFile = -13;
}  // namespace

bool BindMaicomm3(platform::SharedLibrary& library, Maicomm3Function& entry, AnsiString& failure) {
  entry = nullptr;
  if (!library.LoadBesideProgram(kClientLibraryFileName)) {
    failure = "Could not load qtlapi DLL, error " + std::to_string(platform::GetLastError());
    return false;
  }
  entry = reinterpret_cast<Maicomm3Function>(library.Symbol(kMaicomm3EntryName));
  if (entry == nullptr) {
    failure = "GetProcAddress() error " + std::to_string(platform::GetLastError());
    library.Unload();
    return false;
  }
  return true;
}

int32_t SendJobFile(Maicomm3Function entry, const AnsiString& printerName, const AnsiString& hostPort,
                    const AnsiString& jobPath, int32_t timeoutSec) {
  int32_t replyLength = 0;
  return entry(printerName.c_str(), hostPort.c_str(), jobPath.c_str(), 0, nullptr, &replyLength, timeoutSec,
               kSendFileCommand);
}

bool SendReachedBackEnd(int32_t result) {
  return result == kResultOk || result == kResultNoReplyFile || result == kResultSentNoReplyRead;
}
