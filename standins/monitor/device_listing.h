#pragma once
// The backend's answer to the scheduler's device discovery.
#include <ostream>

// Writes one device line per port in the monitor's port list to `out`.
// A missing or unreadable list lists nothing; discovery never fails.
int ListDevices(std::ostream& out);
