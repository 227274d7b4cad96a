#include "tests/spoolclient/qtlapi_loader.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "support/platform/shared_library.h"

namespace spooltest {

namespace {

std::mutex gMutex;
platform::SharedLibrary* gLibrary = nullptr;
QtlApi gApi;

template <typename Function>
void Bind(Function& function, const char* name) {
  function = reinterpret_cast<Function>(gLibrary->Symbol(name));
  if (function == nullptr) {
    std::fprintf(stderr, "libqtlapi.so does not export %s\n", name);
    std::abort();
  }
}

}  // namespace

const QtlApi& Api() {
  std::lock_guard<std::mutex> lock(gMutex);
  if (gLibrary == nullptr) {
    gLibrary = new platform::SharedLibrary;
    if (!gLibrary->Load(QTLAPI_LIBRARY_PATH)) {
      std::fprintf(stderr, "cannot load %s: %s\n", QTLAPI_LIBRARY_PATH, gLibrary->loaderMessage().c_str());
      std::abort();
    }
    Bind(gApi.maicomm, "_maicomm");
    Bind(gApi.maicomm2, "_maicomm2");
    Bind(gApi.maicomm2sc, "maicomm2sc");
    Bind(gApi.maicomm3, "_maicomm3");
    Bind(gApi.maicomm4, "_maicomm4");
    Bind(gApi.maicomm4sc, "maicomm4sc");
    Bind(gApi.maicomm4W, "_maicomm4W");
    Bind(gApi.maicomm5, "_maicomm5");
  }
  return gApi;
}

void UnloadApi() {
  std::lock_guard<std::mutex> lock(gMutex);
  delete gLibrary;
  gLibrary = nullptr;
  gApi = QtlApi();
}

}  // namespace spooltest
