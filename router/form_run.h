#pragma once
// The router's hidden form: created once per run, its creation handler runs
// the whole job. Nothing is ever shown except the syntax message and the
// message of an exception that no handler caught.
#include <cstdint>
#include <string>
#include <vector>

#include "router/held_companion.h"
#include "router/maicomm3.h"
#include "support/ansi_split.h"
#include "support/platform/shared_library.h"
#include "support/routing_record.h"

inline constexpr const char* kApplicationTitle = "rdx64 Handler Action";

class TFormRun {
 public:
  // `arguments` as the program received them (argument 0 is its own path).
  // Runs FormCreate, that is the whole job.
  explicit TFormRun(std::vector<AnsiString> arguments);
  // Runs FormDestroy.
  ~TFormRun();
  TFormRun(const TFormRun&) = delete;
  TFormRun& operator=(const TFormRun&) = delete;

  void FormCreate();
  void FormDestroy();

  // Looks the printer up in the routing table, dispatches the job to every
  // destination found and deletes the job file, unless a delivery that
  // leaves a file failed (then the job stays for another try).
  void RunJob();

  // Appends one line to the day's log; drops it silently on any failure.
  void WriteLog(const AnsiString& message) noexcept;

  // A path in `folder` that no file has yet, made from the tick count and a
  // counter; creates the folder when missing. False (logged) when it cannot.
  bool MakeLocalCopyName(const AnsiString& folder, AnsiString& name);

  // Leaves a copy of the job (".dat") and its control file (".say") in the
  // proxy data folder for the forwarding process. False (logged) on failure.
  bool HandOffToProxy(const AnsiString& jobFile, const AnsiString& printerName, const AnsiString& hostPort);

  // Moves the job, as a ".ps" file, into the import folder of Quillet
  // instance `instance`. False (logged) on failure; the job then stays.
  bool ForwardToQuillet(const AnsiString& jobFile, int32_t instance);

  // A proxy data file name that no other allocation from the shared counter
  // file has ever had. False (logged where there is a reason) on failure.
  bool AllocateProxyDataFile(AnsiString& name);

  // True once the form has asked the application to end (always, after FormCreate).
  bool terminateRequested() const { return terminateRequested_; }

 private:
  // One pass-1 record; false aborts the run.
  bool DispatchRecord(const AnsiString& jobFile, const AnsiString& printerName, const RoutingRecord& record);
  bool MakeLocalCopy(const AnsiString& jobFile, const AnsiString& folder);
  void SendToSpooler(const AnsiString& jobFile, const AnsiString& printerName, const RoutingRecord& record);
  // Fills FDataDir on first use; false when there is no data folder.
  bool EnsureDataDir();
  // After dispatch: when sends failed and keeping such jobs is switched on,
  // moves the job into the held folder with its companion (logged). True
  // when the job file must not be deleted: kept, or left in place because it
  // could not be kept.
  bool KeepJobAfterFailedSends(const AnsiString& jobFile);

  Maicomm3Function FMaicomm3 = nullptr;
  platform::SharedLibrary FLibrary;
  AnsiString FDataDir;

  std::vector<AnsiString> arguments_;
  // The spooler sends of this run that did not reach their back end.
  std::vector<HeldSend> failedSends_;
  bool terminateRequested_ = false;
};

// How often a delivery picks a new name when another router took the chosen
// one between the check and the copy or move.
inline constexpr int kNameRaceRetries = 1000;
