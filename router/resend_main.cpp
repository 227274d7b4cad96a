// rdx64resend: sends the jobs that the router kept after a failed spooler
// send again, oldest first. "--dry-run" lists them, "--all" resends every
// one, a job name resends that one. Exit status 0: nothing is held any more;
// 1: something is still held; 2: wrong arguments or no client library.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "router/resend.h"
#include "support/version_record.h"

CORVANTA_VERSION_RECORD(1, 0, 9, 0, 1, 0, 9, 0, "Resend held jobs", "Corvanta Ltd");

int main(int argc, char** argv) {
  try {
    ResendRequest request;
    AnsiString error;
    if (!ParseResendArguments(std::vector<AnsiString>(argv + (argc > 0 ? 1 : 0), argv + argc), request, error)) {
      std::cerr << "rdx64resend: " << error << "\n"
                << "Usage: rdx64resend --dry-run | --all | HELD_JOB\n";
      return kResendFailed;
    }
    return RunResend(request, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "rdx64resend: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "rdx64resend: unexpected failure\n";
  }
  return kResendFailed;
}
