// The web delivery's speed on loopback: 5 MB uploaded by HTTP, HTTPS and
// FTP, small GETs per second, and the tracker update form filled from a
// 300 KB page. The peers come from bench/web_bench_peers.py (it starts them
// and runs this program), or from VIPC_HTTP_PORT, VIPC_HTTPS_PORT and
// VIPC_FTP_PORT set by hand.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchMachine.h"
#include "delivery/EWebTools.h"
#include "tests/support/TempFolder.h"

namespace {

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point start) {
  return std::chrono::duration<double>(TClock::now() - start).count();
}

unsigned Port(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : 0;
}

TUploadTarget Target(unsigned port, const char* path) {
  TUploadTarget target;
  target.Host = "127.0.0.1";
  target.Port = port;
  target.Path = path;
  target.TimeoutMs = 60000;
  return target;
}

void PrintUpload(const char* name, const TUploadResult& result, double seconds, std::size_t bytes) {
  if (result.Code != 0)
    std::printf("%-34s failed: %ld %s\n", name, result.Code, result.ErrorText.c_str());
  else
    std::printf("%-34s %8.2f MB/s (%.2f s)\n", name, bytes / 1e6 / seconds, seconds);
}

}  // namespace

int main() {
  PrintExecutionLine();
  const unsigned http = Port("VIPC_HTTP_PORT");
  const unsigned https = Port("VIPC_HTTPS_PORT");
  const unsigned ftp = Port("VIPC_FTP_PORT");
  if (!http) {
    std::printf("no peers: run bench/web_bench_peers.py <wine-run.sh> <web_bench.exe>\n");
    return 1;
  }
  TempFolder folder;
  const std::size_t size = 5 * 1000 * 1000;
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131) >> 3);
  WriteFileBytes(folder.Path() + "report.zip", bytes);
  const std::vector<TDeliveryFile> files = {{folder.Path() + "report.zip", "report.zip"}};

  auto start = TClock::now();
  TUploadResult result = UploadFilesHttp(Target(http, "bench/upload"), files, {}, {});
  PrintUpload("upload 5 MB by HTTP", result, SecondsSince(start), size);
  if (https) {
    TUploadTarget target = Target(https, "bench/upload");
    target.Https = true;
    start = TClock::now();
    result = UploadFilesHttp(target, files, {}, {});
    PrintUpload("upload 5 MB by HTTPS", result, SecondsSince(start), size);
  }
  if (ftp) {
    TUploadTarget target = Target(ftp, "");
    target.User = "ann";
    target.Password = "secret";
    target.TimeStamp = std::to_string(std::chrono::system_clock::now().time_since_epoch().count());
    start = TClock::now();
    result = UploadFilesFtp(target, files, {});
    PrintUpload("upload 5 MB by FTP", result, SecondsSince(start), size);
  }

  auto connection = OpenHttpConnection<THTTPConnectionBase>(
      "http://127.0.0.1:" + std::to_string(http) + "/bench/", "");
  const int gets = 200;
  start = TClock::now();
  int good = 0;
  for (int i = 0; i < gets; ++i) {
    connection->SetRequest("small", hmGet);
    connection->AddField("i", std::to_string(i));
    good += connection->ExecuteRequest(false) && connection->Response().StatusCode == 200;
  }
  const double getSeconds = SecondsSince(start);
  std::printf("%-34s %8.1f per second (%d of %d answered)\n", "small GETs on one connection",
              gets / getSeconds, good, gets);

  connection->SetRequest("mantis?size=300000", hmGet);
  if (!connection->ExecuteRequest(false)) {
    std::printf("tracker page failed: %s\n", connection->Response().ErrorText.c_str());
    return 1;
  }
  const int fills = 20;
  start = TClock::now();
  for (int i = 0; i < fills; ++i) {
    connection->AddInputField("bug_id");
    connection->AddTextAreaField("description");
    connection->AddSelectedField("handler_id");
    connection->AddOptionField("priority", "high");
    connection->AddInputField("quoted");
    connection->BumpSummaryCounter("summary");
  }
  std::printf("%-34s %8.2f ms per form (page of %zu bytes, %zu fields)\n",
              "update form filled from the page", SecondsSince(start) * 1000 / fills,
              connection->Response().RawBody.size(), connection->Fields().size() / fills);
  return 0;
}
