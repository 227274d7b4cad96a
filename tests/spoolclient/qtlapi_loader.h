#pragma once
// The built libqtlapi.so, bound at run time the way the router binds it, so
// that a test process can point CORVANTA_ROOT at its own root before the
// library's attach runs.
#include "spoolclient/qtlapi.h"

namespace spooltest {

struct QtlApi {
  qtlapi_maicomm_fn maicomm = nullptr;
  qtlapi_maicomm2_fn maicomm2 = nullptr;
  qtlapi_maicomm2sc_fn maicomm2sc = nullptr;
  qtlapi_maicomm3_fn maicomm3 = nullptr;
  qtlapi_maicomm4_fn maicomm4 = nullptr;
  qtlapi_maicomm4sc_fn maicomm4sc = nullptr;
  qtlapi_maicomm4W_fn maicomm4W = nullptr;
  qtlapi_maicomm5_fn maicomm5 = nullptr;
};

// Loads the library on first use (aborting the test run when it cannot).
const QtlApi& Api();
// Unloads it: the library's detach runs now.
void UnloadApi();

}  // namespace spooltest
