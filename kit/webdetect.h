#pragma once

#include <cstdint>
#include <string>

namespace vorsel {

// Whether the computer is connected to the Internet, and how, from the system's network
// configuration (the routing tables). Every query reads the configuration anew.
class TWebDetect {
 public:
  TWebDetect() = default;

  // The name of the library that answered the question on the suite's first desktop; kept for
  // the owners that set it. Setting it checks whether the configuration can be read.
  const std::string& DLLName() const { return fdllname; }
  void SetDLLName(std::string value);

  bool Online();
  bool ConnectedViaModem();
  bool ConnectedViaLAN();
  bool ConnectedViaProxy();
  bool RASInstalled();
  // A sentence or two that describe the connection.
  std::string ConnectStr();

 private:
  // The connection flags; false (and no flags) when the configuration cannot be read.
  bool Query(uint32_t& flags);

  std::string fdllname;
  bool fvaliddll = false;
};

}  // namespace vorsel
