// errno values become the Win32 and WinSock numbers that logs and result
// codes carry on every platform.
#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <thread>

#include "support/platform/win_error.h"

namespace {

TEST(WinError, FileSystemErrnoValues) {
  const struct {
    int error;
    uint32_t win32;
  } cases[] = {
      {0, 0},           {ENOENT, 2},  {EACCES, 5},  {EPERM, 5},     {EEXIST, 80},
      {ENOSPC, 112},    {EDQUOT, 112}, {EXDEV, 17}, {EINVAL, 87},   {ENAMETOOLONG, 206},
      {ENOTDIR, 3},     {EROFS, 19},  {EMFILE, 4},  {ENOTEMPTY, 145}, {EISDIR, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(platform::Win32ErrorFromErrno(c.error), c.win32);
  }
}

TEST(WinError, SocketErrnoValues) {
  const struct {
    int error;
    uint32_t wsa;
  } cases[] = {
      {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},   {ECONNRESET, 10054}, {EHOSTUNREACH, 10065},
      {ENETUNREACH, 10051},  {EWOULDBLOCK, 10035}, {EINPROGRESS, 10036}, {EADDRINUSE, 10048},
      {EPIPE, 10054},        {ENOTCONN, 10057},    {EINTR, 10004},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(platform::WsaErrorFromErrno(c.error), c.wsa);
  }
}

TEST(WinError, NameLookupResults) {
  EXPECT_EQ(platform::WsaErrorFromAddrInfo(0), 0u);
  EXPECT_EQ(platform::WsaErrorFromAddrInfo(EAI_NONAME), 11001u);
  EXPECT_EQ(platform::WsaErrorFromAddrInfo(EAI_AGAIN), 11002u);
  EXPECT_EQ(platform::WsaErrorFromAddrInfo(EAI_FAIL), 11003u);
}

TEST(WinError, ErrnoWithoutATwinGetsTheFixedFallbackNeverItself) {
  for (int error : {EDOM, ERANGE, ECHILD, ENOLINK, EBADMSG}) {
    SCOPED_TRACE(error);
    EXPECT_EQ(platform::Win32ErrorFromErrno(error), platform::kErrorGenFailure);
    EXPECT_GE(platform::WsaErrorFromErrno(error), 10000u);
  }
}

TEST(WinError, LastErrorBelongsToTheCallingThread) {
  platform::SetLastError(0);
  EXPECT_EQ(platform::SetLastErrorFromErrno(EEXIST), 80u);
  uint32_t seenByOtherThread = 1;
  std::thread other([&] {
    seenByOtherThread = platform::GetLastError();
    platform::SetLastError(5);
  });
  other.join();
  EXPECT_EQ(seenByOtherThread, 0u);
  EXPECT_EQ(platform::GetLastError(), 80u);
}

}  // namespace
