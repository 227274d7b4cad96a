#include "spoolclient/full_call.h"

#include "spoolclient/library_state.h"
#include "spoolclient/request_routine.h"
#include "spoolclient/server_address.h"
#include "spoolclient/transport.h"

namespace qtl {

int32_t FullCall(const CallArguments& args) {
  if (args.stringId == nullptr) {
    EnableTrace();
    return 0;
  }
  if (!StartSockets()) return -1;

  ServerAddress address;
  if (!ParseServerText(args.server, address)) return -1;

  const int32_t connected = ConnectToSpooler(address.host, address.port, args.timeout);
  if (connected < 0 || connected >= kConnectFailureBase) return connected;
  SocketOwner socket(connected);

  // "!" asks for this call only to send without reading the reply. The
  // switch lives with the call, so calls on other threads neither lose nor
  // inherit it.
  ExchangeArguments exchange;
  exchange.forceBreak = args.stringId[0] == '!';
  exchange.id = exchange.forceBreak ? args.stringId + 1 : args.stringId;

  int32_t noCapacity = 0;
  exchange.socket = socket.get();
  exchange.stationId = args.stationId;
  exchange.requestId = args.requestId;
  exchange.input = args.input;
  exchange.inlen = args.inlen;
  exchange.output = args.output;
  exchange.bufsize = args.bufsize != nullptr ? args.bufsize : &noCapacity;
  exchange.timeout = args.timeout;
  exchange.exCommand = args.exCommand;
  return RunExchange(exchange);
}

}  // namespace qtl
