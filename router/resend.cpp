#include "router/resend.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

#include "router/client_binding.h"
#include "router/held_store.h"
#include "router/job_log.h"
#include "support/platform/file_handle.h"
#include "support/platform/file_io.h"
#include "support/platform/files.h"
#include "support/platform/range_lock.h"
#include "support/platform/shared_library.h"
#include "support/platform/win_error.h"
#include "support/platform/win_error_text.h"
#include "support/system_helpers.h"

namespace {

// Where a resend run locks its job (see Resend).
constexpr uint64_t kResendLockOffset = uint64_t{1} << 62;

void CrashPointForTests(const char* point) {
  const char* wanted = std::getenv("CORVANTA_TEST_RESEND_CRASH");
  if (wanted != nullptr && std::string(wanted) == point) std::_Exit(137);
}

AnsiString BaseName(const AnsiString& path) {
  const auto slash = path.rfind('/');
  return slash == AnsiString::npos ? path : path.substr(slash + 1);
}

bool ReadOpenFile(int fd, AnsiString& text) {
  text.clear();
  char buffer[4096];
  for (;;) {
    std::size_t got = 0;
    if (!platform::ReadAt(fd, text.size(), buffer, sizeof buffer, got)) return false;
    text.append(buffer, got);
    if (got < sizeof buffer) return true;
  }
}

enum class Outcome { Delivered, StillHeld, Gone };

class ResendRun {
 public:
  ResendRun(AnsiString dataDir, std::ostream& out, std::ostream& err)
      : dataDir_(std::move(dataDir)), out_(out), err_(err) {}

  // Binds the client library on first use; false (reported) when it cannot.
  bool Bind() {
    if (entry_ != nullptr) return true;
    AnsiString failure;
    if (BindMaicomm3(library_, entry_, failure)) return true;
    Log(failure);
    err_ << "rdx64resend: " << failure << "\n";
    return false;
  }

  Outcome Resend(const AnsiString& job) {
    platform::FileHandle file;
    if (!platform::OpenExistingRegular(job, true, file)) {
      if (platform::GetLastError() == platform::kErrorFileNotFound) return Outcome::Gone;
      return Problem(job, "cannot be opened", platform::GetLastError());
    }
    // One run per job: the lock lives on the job file itself, which is never
    // replaced, and goes with this process however it ends. It covers a byte
    // far past any data: where locks are mandatory (Windows), a lock on the
    // data would stop the library from reading the job through its own handle.
    platform::RangeLock lock;
    if (!lock.TryLock(file.get(), kResendLockOffset, 1)) {
      if (platform::GetLastError() != platform::kErrorLockViolation) {
        return Problem(job, "cannot be locked", platform::GetLastError());
      }
      err_ << job << ": being resent by another run\n";
      return Outcome::StillHeld;
    }
    // Another run may have delivered and removed it after we listed it.
    if (!platform::FileExists(job)) return Outcome::Gone;
    CrashPointForTests("locked");

    const AnsiString companionPath = HeldCompanionPath(job);
    HeldCompanion companion;
    if (!ReadCompanion(companionPath, companion)) {
      return Problem(job, "has no readable companion " + companionPath, platform::GetLastError());
    }
    // Nothing to send is no proof of delivery: such a job is left to the operator.
    if (companion.sends.empty()) return Problem(job, "companion lists no send", platform::kErrorInvalidData);
    // The library opens the very file we locked and checked, not whatever
    // might have been put at its name since.
    const AnsiString sendPath = platform::PathOfOpenFile(file.get());
    std::vector<HeldSend> pending = companion.sends;
    for (std::size_t i = 0; i < pending.size();) {
      HeldSend& send = pending[i];
      send.attemptTime = HeldTimeText();
      send.result = SendJobFile(entry_, send.printerName, send.hostPort, sendPath, send.timeoutSec);
      Log("Resent " + job + " to " + send.hostPort + " for " + send.printerName +
          ", ret=" + std::to_string(send.result));
      const bool delivered = SendReachedBackEnd(send.result);
      if (delivered) {
        pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
        CrashPointForTests("sent");
      } else {
        ++i;
      }
      // Recorded at once, so that a run that dies later repeats as little as can be.
      if (!pending.empty()) {
        companion.sends = pending;
        if (!platform::ReplaceFileAtomically(companionPath, FormatHeldCompanion(companion), 0664)) {
          Problem(job, "companion could not be updated", platform::GetLastError());
        }
        CrashPointForTests("updated");
      }
    }
    if (!pending.empty()) {
      out_ << job << ": still held, " << pending.size() << " send(s) failed\n";
      return Outcome::StillHeld;
    }
    // The job first: a companion without its job is only a leftover, a job
    // without its companion could not be sent again.
    if (!platform::DeleteFile(job)) return Problem(job, "could not be removed", platform::GetLastError());
    CrashPointForTests("job-deleted");
    platform::DeleteFile(companionPath);
    Log("Removed held job " + job + ", every send succeeded");
    out_ << job << ": delivered and removed\n";
    return Outcome::Delivered;
  }

  void Log(const AnsiString& message) { AppendJobLogLine(dataDir_, message); }

 private:
  static bool ReadCompanion(const AnsiString& path, HeldCompanion& companion) {
    platform::FileHandle file;
    AnsiString text;
    if (!platform::OpenExistingRegular(path, false, file) || !ReadOpenFile(file.get(), text)) return false;
    if (ParseHeldCompanion(text, companion)) return true;
    platform::SetLastError(platform::kErrorInvalidData);
    return false;
  }

  Outcome Problem(const AnsiString& job, const AnsiString& what, uint32_t error) {
    Log("Could not resend " + job + ": " + what + ", error " + std::to_string(error));
    err_ << job << ": " << what << ": " << platform::SysErrorMessage(error) << "\n";
    return Outcome::StillHeld;
  }

  AnsiString dataDir_;
  std::ostream& out_;
  std::ostream& err_;
  platform::SharedLibrary library_;
  Maicomm3Function entry_ = nullptr;
};

void ListForDryRun(const std::vector<AnsiString>& jobs, const std::vector<AnsiString>& leftovers,
                   std::ostream& out) {
  for (const AnsiString& job : jobs) {
    out << job;
    platform::FileHandle file;
    AnsiString text;
    HeldCompanion companion;
    if (platform::OpenExistingRegular(HeldCompanionPath(job), false, file) && ReadOpenFile(file.get(), text) &&
        ParseHeldCompanion(text, companion)) {
      out << "\theld " << companion.heldTime << " from " << companion.originalJob << "\n";
      for (const HeldSend& send : companion.sends) {
        out << "\t" << send.hostPort << " for " << send.printerName << ", time-out " << send.timeoutSec
            << ", ret=" << send.result << " at " << send.attemptTime << "\n";
      }
    } else {
      out << "\tno readable companion\n";
    }
  }
  for (const AnsiString& leftover : leftovers) out << leftover << "\tcompanion without a job\n";
}

}  // namespace

bool ParseResendArguments(const std::vector<AnsiString>& arguments, ResendRequest& request, AnsiString& error) {
  if (arguments.size() != 1 || arguments[0].empty()) {
    error = "expects exactly one of --dry-run, --all or a held job";
    return false;
  }
  const AnsiString& argument = arguments[0];
  if (argument == "--dry-run") {
    request = {ResendMode::DryRun, {}};
  } else if (argument == "--all") {
    request = {ResendMode::All, {}};
  } else if (argument[0] == '-') {
    error = "unknown option " + argument;
    return false;
  } else {
    request = {ResendMode::One, argument};
  }
  return true;
}

int RunResend(const ResendRequest& request, std::ostream& out, std::ostream& err) {
  AnsiString dataDir;
  GetCommonAppDataDir(dataDir);
  if (dataDir.empty()) {
    err << "rdx64resend: the common data folder is not known\n";
    return kResendFailed;
  }
  const AnsiString folder = HeldFolder(dataDir);
  std::vector<AnsiString> jobs, leftovers;
  if (!ListHeldJobs(folder, jobs, leftovers)) {
    err << "rdx64resend: cannot read " << folder << ": " << platform::SysErrorMessage(platform::GetLastError())
        << "\n";
    return kResendFailed;
  }

  if (request.mode == ResendMode::DryRun) {
    ListForDryRun(jobs, leftovers, out);
    return jobs.empty() ? kResendNothingHeld : kResendStillHeld;
  }
  if (request.mode == ResendMode::One) {
    AnsiString name = BaseName(request.job);
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".prn") != 0) name += ".prn";
    const AnsiString wanted = folder + "/" + name;
    const bool held = std::find(jobs.begin(), jobs.end(), wanted) != jobs.end();
    if (!held) err << "rdx64resend: " << request.job << " is not held in " << folder << "\n";
    jobs.assign(held ? 1 : 0, wanted);
  }

  ResendRun run(dataDir, out, err);
  if (!jobs.empty() && !run.Bind()) return kResendFailed;
  for (const AnsiString& job : jobs) run.Resend(job);

  std::vector<AnsiString> remaining;
  if (!ListHeldJobs(folder, remaining, leftovers)) return kResendStillHeld;
  return remaining.empty() ? kResendNothingHeld : kResendStillHeld;
}
