// Run-time binding of a library and its symbols.
#include <gtest/gtest.h>

#include "support/platform/shared_library.h"
#include "support/platform/win_error.h"

namespace {

TEST(SharedLibrary, LoadsThroughTheLoaderSearchAndResolves) {
  platform::SharedLibrary library;
  ASSERT_TRUE(library.LoadBesideProgram("libm.so.6")) << library.loaderMessage();
  auto* cosine = reinterpret_cast<double (*)(double)>(library.Symbol("cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  platform::SetLastError(0);
  EXPECT_EQ(library.Symbol("corvanta_no_such_symbol"), nullptr);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorProcNotFound);
  EXPECT_FALSE(library.loaderMessage().empty());
}

TEST(SharedLibrary, MissingLibraryIsError126) {
  platform::SharedLibrary library;
  platform::SetLastError(0);
  EXPECT_FALSE(library.LoadBesideProgram("libcorvanta-missing.so"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorModNotFound);
  EXPECT_FALSE(library.loaded());
  EXPECT_EQ(library.Symbol("anything"), nullptr);
}

TEST(SharedLibrary, MovedOwnerKeepsTheLibrary) {
  platform::SharedLibrary first;
  ASSERT_TRUE(first.Load("libm.so.6"));
  platform::SharedLibrary second = std::move(first);
  EXPECT_FALSE(first.loaded());
  EXPECT_TRUE(second.loaded());
  EXPECT_NE(second.Symbol("sin"), nullptr);
}

}  // namespace
