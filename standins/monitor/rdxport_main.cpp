// The stand-in for the "Redirected Port" print monitor: a print spooler
// backend. Without arguments it lists the monitor's ports; with the job
// arguments it spools the job into the monitor directory and runs the
// port command (the job router) for it.
#include <cstdlib>
#include <iostream>
#include <string>

#include "standins/monitor/backend_job.h"
#include "standins/monitor/backend_status.h"
#include "standins/monitor/device_listing.h"

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return ListDevices(std::cout);
  if (argc < 6 || argc > 7) {
    std::cerr << "ERROR: Usage: " << argv[0] << " job-id user title copies options [file]" << std::endl;
    return kBackendFailed;
  }
  BackendJob job;
  job.jobId = argv[1];
  job.user = argv[2];
  job.title = argv[3];
  job.copies = argv[4];
  job.options = argv[5];
  if (argc == 7) job.inputPath = argv[6];
  job.deviceUri = Environment("DEVICE_URI");
  job.printer = Environment("PRINTER");
  return RunBackendJob(job, std::cerr);
}
