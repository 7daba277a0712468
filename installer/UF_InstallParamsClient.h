// The container of one SetParameters call: it owns the datagram client and
// runs the two exchanges with the Brisole server.
#pragma once

#include <string>

#include "installer/IdUDPClient.h"

class TF_InstallParamsClient {
 public:
  // Builds the stored layout: the datagram client with broadcast enabled and
  // port 0. Creating the client takes a reference on the socket layer.
  TF_InstallParamsClient();

  // Asks the server at `serverHost` for the database alias and the shared
  // folder and writes them to TargetFolder + "BrisoleInstaller.ini". Problems
  // the user must see are shown and give false; opening the socket, creating
  // the folder and writing the file raise.
  bool RequestServerParameters(const std::string& serverHost);

  // The payload of a server reply (see brisole::ExtractPayload).
  static std::string ExtractBrisoleMessage(const std::string& reply);

  TIdUDPClient idUDPc;
  std::string TargetFolder;  // stored unchanged: no separator added or removed
};

inline constexpr const char* kInstallerSettingsFileName = "BrisoleInstaller.ini";
