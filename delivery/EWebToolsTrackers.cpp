#include "delivery/EWebToolsTrackers.h"

TConnectionFactory BaseConnectionFactory() {
  return [](const std::string& base,
            const std::string& proxy) -> std::unique_ptr<THTTPConnectionBase> {
    return OpenHttpConnection<THTTPConnectionBase>(base, proxy);
  };
}

THTTPSendReport::THTTPSendReport(TConnectionFactory connectionClass)
    : connectionClass_(connectionClass ? std::move(connectionClass) : BaseConnectionFactory()) {}

THTTPSendReport::~THTTPSendReport() = default;

int THTTPSendReport::SendReport(const TTrackerReport& report, THTTPResponse& response) {
  const std::unique_ptr<THTTPConnectionBase> connection =
      connectionClass_(report.BaseAddress, report.ProxyAddress);
  connection->NotifyState(2, 0);
  const int result = SendOverConnection(*connection, report);
  // The last response stays for the delivery run's message, also when a
  // page was refused.
  response = connection->Response();
  connection->CloseConnection();
  return result;
}

std::unique_ptr<THTTPSendReport> MakeTrackerSender(int webDelivery,
                                                   TConnectionFactory connectionClass) {
  switch (webDelivery) {
    case 4:
      return std::make_unique<THTTPBugzillaSendReport>(std::move(connectionClass));
    case 5:
      return std::make_unique<THTTPFogBugzSendReport>(std::move(connectionClass));
    case 6:
      return std::make_unique<THTTPMantisSendReport>(std::move(connectionClass));
    default:
      return nullptr;
  }
}
