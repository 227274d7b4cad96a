// The library's load and unload hooks and its version record.
#include "spoolclient/library_lifecycle.h"
#include "support/version_record.h"

CORVANTA_VERSION_RECORD(2, 5, 3, 0, 2, 5, 3, 0, "qtltcp DLL", "Corvanta Ltd");

namespace {

__attribute__((constructor)) void LibraryAttach() { qtl::ProcessAttach(); }

__attribute__((destructor)) void LibraryDetach() { qtl::ProcessDetach(); }

}  // namespace
