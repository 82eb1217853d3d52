#include "kit/webdetect.h"

#include "platform/netstate.h"

namespace vorsel {

void TWebDetect::SetDLLName(std::string value) {
  fdllname = std::move(value);
  fvaliddll = ReadConnectionState().has_value();
}

bool TWebDetect::Query(uint32_t& flags) {
  const auto state = ReadConnectionState();
  fvaliddll = state.has_value();
  flags = state ? state->flags : 0;
  return state && state->online;
}

bool TWebDetect::Online() {
  uint32_t flags = 0;
  return Query(flags);
}

bool TWebDetect::ConnectedViaModem() {
  uint32_t flags = 0;
  Query(flags);
  return (flags & kConnectionModem) != 0;
}

bool TWebDetect::ConnectedViaLAN() {
  uint32_t flags = 0;
  Query(flags);
  return (flags & kConnectionLan) != 0;
}

bool TWebDetect::ConnectedViaProxy() {
  uint32_t flags = 0;
  Query(flags);
  return (flags & kConnectionProxy) != 0;
}

bool TWebDetect::RASInstalled() {
  uint32_t flags = 0;
  Query(flags);
  return (flags & kConnectionRasInstalled) != 0;
}

std::string TWebDetect::ConnectStr() {
  uint32_t flags = 0;
  const bool online = Query(flags);
  if (!fvaliddll) {
    return "Cannot read the network configuration.";
  }
  if (!online) {
    return "Not connected to the internet now.";
  }
  std::string text;
  if (flags & kConnectionConfigured) {
    text += "You have a network connection configured.\r";
  }
  if (flags & kConnectionLan) {
    text += "The local system connects to the Internet via a LAN";
  }
  text += (flags & kConnectionProxy) ? ", and uses a proxy server. " : ".";
  if (flags & kConnectionModem) {
    text += "The local system uses a modem to connect to the Internet. ";
  }
  if (flags & kConnectionOffline) {
    text += "The connection is currently offline. ";
  }
  if (flags & kConnectionModemBusy) {
    text += "The local system's modem is busy with a non-Internet connection. ";
  }
  if (flags & kConnectionRasInstalled) {
    text += "Remote Access Services are installed on this system.";
  }
  return text;
}

}  // namespace vorsel
