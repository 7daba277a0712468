#include "installer/UF_InstallParamsClient.h"

#include <exception>

#include "installer/BrisoleWire.h"
#include "installer/InstallerMessages.h"
#include "installer/MessageWindow.h"
#include "platform/runtime/Directories.h"
#include "platform/runtime/IniFile.h"

namespace msg = installer_messages;

TF_InstallParamsClient::TF_InstallParamsClient() {
  idUDPc.SetBroadcastEnabled(true);
  idUDPc.SetPort(0);
}

std::string TF_InstallParamsClient::ExtractBrisoleMessage(const std::string& reply) {
  return brisole::ExtractPayload(reply);
}

bool TF_InstallParamsClient::RequestServerParameters(const std::string& serverHost) {
  idUDPc.SetHost(serverHost);
  idUDPc.SetPort(brisole::kServerPort);
  idUDPc.SetActive(true);

  // First exchange: the database alias and its connection string.
  brisole::DatabaseParameters database;
  try {
    idUDPc.SendText(std::string(brisole::kDatabaseRequest));
    const std::string payload =
        ExtractBrisoleMessage(idUDPc.ReceiveText(brisole::kReplyWaitMilliseconds));
    const auto split = brisole::SplitDatabasePayload(payload);
    if (!split) {
      ShowInstallerMessage(msg::kServerNotFoundFirst);
      idUDPc.SetActive(false);
      return false;
    }
    database = *split;
  } catch (const std::exception& failure) {
    ShowInstallerMessage(std::string(msg::kCannotContactServer) + failure.what());
    idUDPc.SetActive(false);
    return false;
  }

  // Second exchange: the shared Brisole folder, or the reason for refusing it.
  std::string share;
  try {
    idUDPc.SendText(std::string(brisole::kShareRequest));
    share = ExtractBrisoleMessage(idUDPc.ReceiveText(brisole::kReplyWaitMilliseconds));
    if (share.empty()) {
      ShowInstallerMessage(msg::kServerNotFoundSecond);
      idUDPc.SetActive(false);
      return false;
    }
    if (share.front() == brisole::kShareRefusalMark) {
      ShowInstallerMessage(std::string(msg::kShareRefused) + share.substr(1));
    }
  } catch (const std::exception& failure) {
    ShowInstallerMessage(std::string(msg::kShareRequestFailed) + failure.what());
    idUDPc.SetActive(false);
    return false;
  }
  idUDPc.SetActive(false);

  const std::string connection =
      brisole::CompleteConnectionString(database.connectionString, serverHost);
  // Whether the folder could be made is not looked at: a folder that is still
  // missing shows up as the failure to write the file.
  if (!DirectoryExists(TargetFolder)) ForceDirectories(TargetFolder);

  TIniFile settings(TargetFolder + kInstallerSettingsFileName);
  settings.WriteString("BDE", "DBAlias", database.alias);
  settings.WriteString("BDE", "DBConnectionString", connection);
  settings.WriteString("BDE", "ServerName", serverHost);
  settings.WriteString("Brisole", "Share", share);
  settings.UpdateFile();
  return true;
}
