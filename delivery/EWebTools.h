// The HTTP request engine over WinINet, the HTML form helpers the tracker
// senders fill the trackers' web forms with, and the plain uploads of the
// report files by HTTP, HTTPS and FTP.
//
// Used by one thread at a time (the thread that sends the report). Library
// calls never raise: their failure is the response's (or the upload
// result's) error code and text; only opening and closing a connection
// raise EHTTPConnectionError.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "delivery/ESendProgress.h"
#include "delivery/EWebToolsHtml.h"
#include "delivery/EWebToolsUrl.h"

// The outcome of the last request of a connection.
struct THTTPResponse {
  int StatusCode = 0;
  std::string StatusText;
  std::string Headers;  // raw, one per line
  // The body with every character below 32 replaced by a space, for the
  // scanning helpers; RawBody is the body as it arrived, at the same offsets.
  std::string Body;
  std::string Page;  // document name of the final request's path, without query
  unsigned long ErrorCode = 0;
  std::string ErrorText;
  std::string RawBody;
  bool Utf8 = false;  // the page declares UTF-8 (header or meta charset)
  void Clear() { *this = THTTPResponse{}; }
};

enum THTTPMethod { hmGet = 0, hmPostForm = 1, hmPostMultipart = 2 };

// Opening or closing a connection failed; the text names the host.
class EHTTPConnectionError : public std::runtime_error {
 public:
  using runtime_error::runtime_error;
};

// The text of a failed Internet library call: the server's extended
// response text of this thread when there is one, else the module's table
// of Internet error texts, else the system's message for the code.
std::string InternetErrorText(unsigned long code);

struct TWinInetLibrary;  // the Internet library's functions (EWebToolsWinInet.h)

class THTTPConnectionBase {
 public:
  // Loads the Internet library (when it cannot be loaded, nothing else
  // happens) and reads the target and proxy addresses. It does not open:
  // OpenHttpConnection creates and opens, so a subclass's NotifyState sees
  // states 0 and 1. `timeoutMs` bounds connecting, sending and receiving.
  THTTPConnectionBase(std::string_view target, std::string_view proxy, unsigned timeoutMs = 30000);
  THTTPConnectionBase(const THTTPConnectionBase&) = delete;
  THTTPConnectionBase& operator=(const THTTPConnectionBase&) = delete;
  // Closes when still open (never throws) and releases the library.
  virtual ~THTTPConnectionBase();

  // NotifyState 0, session and connection, NotifyState 1. Throws
  // EHTTPConnectionError "Cannot create an HTTP connection with the host: %s"
  // (also for an address without a host, before the library is asked).
  virtual void OpenConnection();
  // NotifyState 8, closes the handles, NotifyState 9; throws
  // EHTTPConnectionError "Cannot close the HTTP connection with the host: %s".
  // Nothing happens when the connection is not open.
  virtual void CloseConnection();
  // The moments of a connection's work (0 to 9); nothing here.
  virtual void NotifyState(int state, int value);

  bool LibraryLoaded() const;
  bool IsOpen() const;
  const std::string& Host() const { return target_.Host; }
  unsigned Port() const { return port_; }
  bool Https() const { return https_; }
  const std::string& BasePath() const { return target_.BasePath; }
  bool ProxyInUse() const { return proxyInUse_; }
  // "host:port" as the library is given it; empty without a proxy.
  std::string ProxyServer() const;
  const std::string& CurrentPath() const { return currentPath_; }
  THTTPMethod Method() const { return method_; }

  // The next request: current path = base path + page; the fields and files
  // are emptied.
  void SetRequest(std::string_view page, THTTPMethod method);
  // Appends name + "=" + value to the fields.
  void AddField(std::string_view name, std::string_view value);
  // Appends name + "=" + file path to the files of a multipart request.
  void AddFile(std::string_view name, std::string_view path);
  // Sends the prepared request, follows redirects (at most 10, to other
  // hosts through a connection of their own), and reads the final response.
  // True when a final response was read (whatever its status).
  bool ExecuteRequest(bool withProgress);
  const THTTPResponse& Response() const { return response_; }
  // Page and body tests on the last response, letter case ignored.
  bool ResponseMatches(std::string_view page, std::string_view wanted,
                       std::string_view unwanted = {}) const;

  // Form helpers: values copied out of the last response body into fields.
  void AddInputField(std::string_view name);
  void AddTextAreaField(std::string_view name);  // line breaks kept
  void AddSelectedField(std::string_view name);
  void AddSelectedFieldIfSet(std::string_view name);
  void AddOptionField(std::string_view name, std::string_view text);
  // Every line but the last four, each replacing a field of the same name.
  void AddCustomFields(const std::vector<std::string>& lines);
  // Raises the occurrence counter of a "[v%s - N]: ..." title input by one;
  // false (nothing added) when it is 9999 or more.
  bool BumpSummaryCounter(std::string_view name);
  const std::vector<std::string>& Fields() const { return fields_; }
  const std::vector<std::string>& Files() const { return files_; }

 private:
  struct TRequestTarget;
  bool OpenHandles();
  bool CloseHandles();
  bool SendOnce(const TRequestTarget& target, const std::string& path, bool withProgress,
                std::string& redirect);
  bool Fail(unsigned long code);
  bool Fail(unsigned long code, std::string text);
  void AddFieldReplacing(std::string_view name, std::string_view value);

  std::unique_ptr<TWinInetLibrary> library_;
  TUrlParts target_;
  unsigned port_ = 0;
  bool https_ = false;
  TUrlParts proxy_;
  unsigned proxyPort_ = 0;
  bool proxyInUse_ = false;
  unsigned timeoutMs_ = 30000;
  std::string currentPath_;
  THTTPMethod method_ = hmGet;
  std::vector<std::string> fields_;
  std::vector<std::string> files_;
  THTTPResponse response_;
  void* session_ = nullptr;     // HINTERNET
  void* connection_ = nullptr;  // HINTERNET
};

// Creates a connection of class T and opens it (so T's NotifyState sees
// states 0 and 1); a connection whose library could not be loaded is handed
// back unopened, its requests then fail.
template <class T, class... Args>
std::unique_ptr<T> OpenHttpConnection(Args&&... args) {
  auto connection = std::make_unique<T>(std::forward<Args>(args)...);
  if (connection->LibraryLoaded()) connection->OpenConnection();
  return connection;
}

// Shows the connection's states in the send progress window.
class THTTPConnection : public THTTPConnectionBase {
 public:
  THTTPConnection(std::string_view target, std::string_view proxy, ISendProgress* progress,
                  unsigned timeoutMs = 30000);
  // Closes here, so states 8 and 9 reach the window.
  ~THTTPConnection() override;
  void NotifyState(int state, int value) override;

 private:
  ISendProgress* progress_;
};

// Uploads.
struct TUploadTarget {
  std::string Host, Path, User, Password;
  unsigned Port = 0;
  bool Https = false;
  // Empty: no proxy of ours (the platform's preconfigured settings).
  std::string ProxyServer;
  unsigned ProxyPort = 0;
  std::string ProxyUser, ProxyPassword;
  unsigned TimeoutMs = 30000;
  // FTP: a remote name that exists already becomes "name_<TimeStamp>.ext".
  std::string TimeStamp;
};

// Code 0 on success; -1 when the Internet library cannot be loaded; for HTTP
// the status code when it is not 2xx (2147483647 when it is no number);
// otherwise the platform error code of the failed call.
struct TUploadResult {
  long Code = 0;
  std::string ErrorText;
};

// (step, total, done): 0 before connecting, 1 once connected, 2 after each
// piece written with the count so far.
using TUploadProgress = std::function<void(int step, std::uint64_t total, std::uint64_t done)>;

// One multipart POST: the extra fields ("name=value") first, then the files
// that exist as el_upload_file_<index in the list> with their shown names.
TUploadResult UploadFilesHttp(const TUploadTarget& target, const std::vector<TDeliveryFile>& files,
                              const std::vector<std::string>& extraFields,
                              const TUploadProgress& progress);
// Each file that exists stored under Path + "/" + its shown name, passive
// mode, never replacing a remote file. No files: 0 without a connection.
TUploadResult UploadFilesFtp(const TUploadTarget& target, const std::vector<TDeliveryFile>& files,
                             const TUploadProgress& progress);
