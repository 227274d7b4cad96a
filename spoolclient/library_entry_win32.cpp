// The library's attach and detach on Windows. Its version record is the DLL's
// version resource (qtlapi.rc).
#include <windows.h>

#include "spoolclient/library_lifecycle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      qtl::ProcessAttach();
      break;
    case DLL_PROCESS_DETACH:
      // At process exit (reserved not null) other threads are gone and the
      // socket layer may be torn down already; the detach work still runs,
      // as it does on a FreeLibrary.
      qtl::ProcessDetach();
      break;
    default:
      break;
  }
  (void)reserved;
  return TRUE;
}
