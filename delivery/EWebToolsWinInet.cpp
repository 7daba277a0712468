#include "delivery/EWebToolsWinInet.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

template <class F>
bool Find(HMODULE module, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

}  // namespace

TWinInetLibrary::~TWinInetLibrary() {
  if (Module) FreeLibrary(Module);
}

std::unique_ptr<TWinInetLibrary> TWinInetLibrary::Load() {
  auto library = std::make_unique<TWinInetLibrary>();
  library->Module = LoadLibraryA("wininet.dll");
  if (!library->Module) return nullptr;
  const HMODULE m = library->Module;
  TWinInetLibrary& l = *library;
  const bool all = Find(m, "InternetOpenA", l.InternetOpenA) &&
                   Find(m, "InternetConnectA", l.InternetConnectA) &&
                   Find(m, "HttpOpenRequestA", l.HttpOpenRequestA) &&
                   Find(m, "HttpAddRequestHeadersA", l.HttpAddRequestHeadersA) &&
                   Find(m, "HttpSendRequestA", l.HttpSendRequestA) &&
                   Find(m, "HttpSendRequestExA", l.HttpSendRequestExA) &&
                   Find(m, "InternetWriteFile", l.InternetWriteFile) &&
                   Find(m, "HttpEndRequestA", l.HttpEndRequestA) &&
                   Find(m, "HttpQueryInfoA", l.HttpQueryInfoA) &&
                   Find(m, "InternetCloseHandle", l.InternetCloseHandle) &&
                   Find(m, "InternetQueryOptionA", l.InternetQueryOptionA) &&
                   Find(m, "InternetSetOptionA", l.InternetSetOptionA) &&
                   Find(m, "FtpOpenFileA", l.FtpOpenFileA) &&
                   Find(m, "InternetGetLastResponseInfoA", l.InternetGetLastResponseInfoA) &&
                   Find(m, "InternetOpenUrlA", l.InternetOpenUrlA) &&
                   Find(m, "InternetReadFile", l.InternetReadFile) &&
                   Find(m, "InternetGetConnectedState", l.InternetGetConnectedState);
  if (!all) return nullptr;  // the destructor releases the library again
  Find(m, "FtpFindFirstFileA", l.FtpFindFirstFileA);
  return library;
}

TInternetHandle& TInternetHandle::operator=(TInternetHandle&& other) noexcept {
  if (this != &other) {
    Close();
    library_ = std::exchange(other.library_, nullptr);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

bool TInternetHandle::Close() {
  if (!handle_) return true;
  const bool ok = library_->InternetCloseHandle(std::exchange(handle_, nullptr)) != FALSE;
  return ok;
}

HINTERNET TInternetHandle::Release() {
  return std::exchange(handle_, nullptr);
}

DWORD RequestFlags(bool https, bool upload) {
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_AUTO_REDIRECT |
                INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS |
                INTERNET_FLAG_NO_UI;
  if (https)
    flags |= INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
             INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
  if (upload) flags |= INTERNET_FLAG_NO_COOKIES;
  return flags;
}

bool AllowUnknownCertificateAuthority(const TWinInetLibrary& library, HINTERNET request) {
  DWORD flags = 0;
  DWORD size = sizeof flags;
  library.InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
  flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;
  return library.InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags,
                                    sizeof flags) != FALSE;
}

void SetTimeouts(const TWinInetLibrary& library, HINTERNET handle, unsigned timeoutMs) {
  DWORD value = timeoutMs;
  for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                             INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                             INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
    library.InternetSetOptionA(handle, option, &value, sizeof value);
}

bool SetTextOption(const TWinInetLibrary& library, HINTERNET handle, DWORD option,
                   const std::string& value) {
  return library.InternetSetOptionA(handle, option, const_cast<char*>(value.c_str()),
                                    static_cast<DWORD>(value.size())) != FALSE;
}

namespace {

// HttpQueryInfo into a buffer that starts as `seed` (the header's name for
// HTTP_QUERY_CUSTOM), grown once when the library asks for more.
std::optional<std::string> QueryInfoInto(const TWinInetLibrary& library, HINTERNET request,
                                         DWORD info, const std::string& seed) {
  std::vector<char> buffer(std::max<std::size_t>(1024, seed.size() + 1));
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::copy(seed.begin(), seed.end(), buffer.begin());
    buffer[seed.size()] = '\0';
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD index = 0;
    if (library.HttpQueryInfoA(request, info, buffer.data(), &size, &index))
      return std::string(buffer.data(), size);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    buffer.resize(size + 1);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> QueryInfoText(const TWinInetLibrary& library, HINTERNET request,
                                         DWORD info) {
  return QueryInfoInto(library, request, info, {});
}

std::optional<DWORD> QueryInfoNumber(const TWinInetLibrary& library, HINTERNET request,
                                     DWORD info) {
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD index = 0;
  if (!library.HttpQueryInfoA(request, info | HTTP_QUERY_FLAG_NUMBER, &value, &size, &index))
    return std::nullopt;
  return value;
}

DWORD WriteInPieces(const TWinInetLibrary& library, HINTERNET handle, std::string_view bytes,
                    DWORD piece, const std::function<void(std::uint64_t)>& written) {
  for (std::size_t sent = 0; sent < bytes.size();) {
    const DWORD size = static_cast<DWORD>(std::min<std::size_t>(piece, bytes.size() - sent));
    DWORD count = 0;
    if (!library.InternetWriteFile(handle, bytes.data() + sent, size, &count))
      return LastInternetError();
    if (count != size) return ERROR_INTERNET_CONNECTION_ABORTED;  // the rest would be lost
    sent += count;
    written(sent);
  }
  return 0;
}

DWORD SendRequestBody(const TWinInetLibrary& library, HINTERNET request, std::string_view body,
                      DWORD piece, bool inOneCall,
                      const std::function<void(std::uint64_t)>& written) {
  if (inOneCall) {
    if (!library.HttpSendRequestA(request, nullptr, 0, const_cast<char*>(body.data()),
                                  static_cast<DWORD>(body.size())))
      return LastInternetError();
    if (!body.empty()) written(body.size());
    return 0;
  }
  INTERNET_BUFFERSA buffers{};
  buffers.dwStructSize = sizeof buffers;
  buffers.dwBufferTotal = static_cast<DWORD>(body.size());
  if (!library.HttpSendRequestExA(request, &buffers, nullptr, 0, 0)) return LastInternetError();
  if (const DWORD error = WriteInPieces(library, request, body, piece, written)) return error;
  if (!library.HttpEndRequestA(request, nullptr, 0, 0)) return LastInternetError();
  return 0;
}

DWORD LastInternetError() {
  const DWORD error = GetLastError();
  return error == WSAETIMEDOUT ? ERROR_INTERNET_TIMEOUT : error;
}

std::optional<std::string> QueryCustomHeader(const TWinInetLibrary& library, HINTERNET request,
                                             const std::string& name) {
  return QueryInfoInto(library, request, HTTP_QUERY_CUSTOM, name);
}

std::string LastResponseInfo(const TWinInetLibrary& library) {
  std::vector<char> buffer(3000);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD error = 0;
    DWORD size = static_cast<DWORD>(buffer.size());
    if (library.InternetGetLastResponseInfoA(&error, buffer.data(), &size))
      return std::string(buffer.data(), size < buffer.size() ? size : buffer.size());
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    buffer.resize(std::max<std::size_t>(buffer.size() + 100, size + 1));  // enlarged once
  }
  return {};
}
