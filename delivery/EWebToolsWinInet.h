// The Internet library (WinINet) as the web delivery uses it: its functions
// looked up by name in "wininet.dll" at run time, all or none, and the small
// calls built on them (options, header queries, the request flags).
//
// Win32 edge: includes windows.h and wininet.h for the types and constants
// only; nothing links the import library.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct TWinInetLibrary {
  HMODULE Module = nullptr;
  decltype(&::InternetOpenA) InternetOpenA = nullptr;
  decltype(&::InternetConnectA) InternetConnectA = nullptr;
  decltype(&::HttpOpenRequestA) HttpOpenRequestA = nullptr;
  decltype(&::HttpAddRequestHeadersA) HttpAddRequestHeadersA = nullptr;
  decltype(&::HttpSendRequestA) HttpSendRequestA = nullptr;
  decltype(&::HttpSendRequestExA) HttpSendRequestExA = nullptr;
  decltype(&::InternetWriteFile) InternetWriteFile = nullptr;
  decltype(&::HttpEndRequestA) HttpEndRequestA = nullptr;
  decltype(&::HttpQueryInfoA) HttpQueryInfoA = nullptr;
  decltype(&::InternetCloseHandle) InternetCloseHandle = nullptr;
  decltype(&::InternetQueryOptionA) InternetQueryOptionA = nullptr;
  decltype(&::InternetSetOptionA) InternetSetOptionA = nullptr;
  decltype(&::FtpOpenFileA) FtpOpenFileA = nullptr;
  decltype(&::InternetGetLastResponseInfoA) InternetGetLastResponseInfoA = nullptr;
  decltype(&::InternetOpenUrlA) InternetOpenUrlA = nullptr;
  decltype(&::InternetReadFile) InternetReadFile = nullptr;
  decltype(&::InternetGetConnectedState) InternetGetConnectedState = nullptr;
  // Beside the 17: whether a remote file exists already, so an FTP upload
  // never replaces one. Optional: without it every FTP name is stamped.
  decltype(&::FtpFindFirstFileA) FtpFindFirstFileA = nullptr;

  TWinInetLibrary() = default;
  TWinInetLibrary(const TWinInetLibrary&) = delete;
  TWinInetLibrary& operator=(const TWinInetLibrary&) = delete;
  ~TWinInetLibrary();

  // The library with all 17 functions, or none (released again).
  static std::unique_ptr<TWinInetLibrary> Load();
};

// An Internet handle closed when it goes out of scope.
class TInternetHandle {
 public:
  TInternetHandle() = default;
  TInternetHandle(const TWinInetLibrary* library, HINTERNET handle)
      : library_(library), handle_(handle) {}
  TInternetHandle(TInternetHandle&& other) noexcept { *this = std::move(other); }
  TInternetHandle& operator=(TInternetHandle&& other) noexcept;
  ~TInternetHandle() { Close(); }
  HINTERNET Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // False when the library refused to close it (its error is kept).
  bool Close();
  HINTERNET Release();

 private:
  const TWinInetLibrary* library_ = nullptr;
  HINTERNET handle_ = nullptr;
};

// The flags of every request: always reload, no cache write, keep the
// connection, no automatic redirect, ignore redirects between HTTP and
// HTTPS, no user interface; HTTPS adds secure and the ignored certificate
// date and name; uploads add no cookies.
DWORD RequestFlags(bool https, bool upload);
// Adds "ignore an unknown certificate authority" to the request's security
// options.
bool AllowUnknownCertificateAuthority(const TWinInetLibrary& library, HINTERNET request);
// The connect, send and receive time-outs (also of FTP data) of a handle.
void SetTimeouts(const TWinInetLibrary& library, HINTERNET handle, unsigned timeoutMs);
bool SetTextOption(const TWinInetLibrary& library, HINTERNET handle, DWORD option,
                   const std::string& value);
// A response header or status text (HttpQueryInfo); none when absent.
std::optional<std::string> QueryInfoText(const TWinInetLibrary& library, HINTERNET request,
                                         DWORD info);
std::optional<DWORD> QueryInfoNumber(const TWinInetLibrary& library, HINTERNET request, DWORD info);
// Writes `bytes` in pieces of `piece` bytes (InternetWriteFile), `written`
// told the count after each: 0 or the error; a short write fails.
DWORD WriteInPieces(const TWinInetLibrary& library, HINTERNET handle, std::string_view bytes,
                    DWORD piece, const std::function<void(std::uint64_t)>& written);

// Sends a request with its body and ends it: 0 or the error of the failed
// call. The body goes in pieces of `piece` bytes (HttpSendRequestEx,
// InternetWriteFile, HttpEndRequest), `written` told the count after each;
// a short write fails. `inOneCall` sends it with HttpSendRequest instead:
// through a proxy's CONNECT tunnel Wine's library answers a request sent in
// pieces with the proxy's own "Connection established".
DWORD SendRequestBody(const TWinInetLibrary& library, HINTERNET request, std::string_view body,
                      DWORD piece, bool inOneCall,
                      const std::function<void(std::uint64_t)>& written);

// The error of the failed call; a socket time-out (what Wine reports for a
// silent server) becomes the library's own time-out code.
DWORD LastInternetError();
// A header by name, for names the library has no query code for.
std::optional<std::string> QueryCustomHeader(const TWinInetLibrary& library, HINTERNET request,
                                             const std::string& name);
// The server's extended response text of this thread (empty when none).
std::string LastResponseInfo(const TWinInetLibrary& library);
