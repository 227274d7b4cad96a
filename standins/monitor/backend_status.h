#pragma once
// The exit statuses a print spooler backend reports to the scheduler.

enum BackendStatus : int {
  kBackendOk = 0,      // the job has been handed over
  kBackendFailed = 1,  // the job was not handed over; the scheduler keeps it (error policy)
};
