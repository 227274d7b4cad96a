#include "standins/monitor/device_listing.h"

#include <string>
#include <vector>

#include "standins/monitor/backend_status.h"
#include "standins/monitor/device_uri.h"
#include "standins/monitor/monitor_settings.h"

int ListDevices(std::ostream& out) {
  std::vector<std::string> ports;
  ReadMonitorPorts(ports);
  for (const auto& port : ports) out << DeviceListLine(port) << '\n';
  out.flush();
  return kBackendOk;
}
