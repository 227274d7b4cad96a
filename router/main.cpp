// rdx64run: routes one print job to every destination the routing table
// names for its printer. Started by the port monitor once per job with the
// job file, the printer name and the document title; reports only through
// its log, and always ends with exit code 0.
#include <exception>
#include <string>
#include <vector>

#include "router/form_run.h"
#include "support/system_helpers.h"
#include "support/version_record.h"

CORVANTA_VERSION_RECORD(1, 0, 9, 0, 1, 0, 9, 0, "64bit monitor Action", "Corvanta Ltd");

int main(int argc, char** argv) {
  try {
    SetApplicationTitle(kApplicationTitle);
    // The form is never shown: its creation handler runs the whole job and
    // asks the application to end, so there is no message loop to run.
    TFormRun form(std::vector<AnsiString>(argv, argv + argc));
  } catch (const std::exception& e) {
    AppMessageBox(e.what(), MB_OK | MB_ICONERROR);
  } catch (...) {
    AppMessageBox("", MB_OK | MB_ICONERROR);
  }
  return 0;
}
