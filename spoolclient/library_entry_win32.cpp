// The library's attach and detach on Windows. Its version record is the DLL's
// version resource (qtlapi.rc).
#include <windows.h>

#include "spoolclient/library_lifecycle.h"
#include "spoolclient/library_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      ::DisableThreadLibraryCalls(module);  // nothing to do per thread
      qtl::ProcessAttach();
      break;
    case DLL_PROCESS_DETACH:
      // At process exit (reserved not null) WinSock may be gone already and
      // must not be cleaned up from here; the system closes what is left.
      // The log purge and the detach line still happen, as on FreeLibrary.
      if (reserved != nullptr) qtl::MarkSocketsStopped();
      qtl::ProcessDetach();
      break;
    default:
      break;
  }
  return TRUE;
}
