// The blocking socket client of the mail road (a stream for SMTP, a
// datagram for DNS) and the SMTP conversation on top of it.
//
// One thread at a time uses an object. Every failure raises
// EDovaroSocketError (or a subclass) whose message carries the logs; after a
// send or receive failure the socket is already closed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "delivery/ESocketsErrors.h"

class TDovaroClientSocket {
 public:
  // Called after every piece SendChunked sent: the 1-based position of the
  // next unsent byte and the text's length.
  using TProgressCallback =
      std::function<void(TDovaroClientSocket& socket, std::size_t position, std::size_t total)>;

  // Unconnected; `timeoutMs` bounds ReceiveWithin.
  TDovaroClientSocket(std::string host, unsigned timeoutMs, bool stream, std::uint16_t port);
  TDovaroClientSocket(const TDovaroClientSocket&) = delete;
  TDovaroClientSocket& operator=(const TDovaroClientSocket&) = delete;
  // Closes the socket when open; never raises.
  virtual ~TDovaroClientSocket();

  // Nothing when connected. Otherwise starts the sockets library when
  // nobody has, creates the socket, resolves the host (its first address),
  // puts the socket into blocking mode and connects. Raises "Invalid socket:
  // ...", "Unable to resolve host \"<host>\"." (without the logs) or
  // "Connection error: ...". The conversation log then starts with
  // "Connected to a.b.c.d port p\r\n".
  virtual void Connect();
  // Closes the socket and empties both logs; raises "Cannot close the
  // socket: ..." when the system refuses (the object is closed anyway).
  virtual void Disconnect();

  // One send call; 0 when not connected or when the socket would block.
  // Empties the reply log.
  int SendBuffer(const char* bytes, int length);
  // The text in pieces of at most 1024 bytes; the count sent.
  std::size_t SendChunked(std::string_view text);

  // What is waiting now (empty at once when nothing is), then more as it
  // comes, until the reply is whole (ReplyComplete) or after a quiet second.
  std::string ReceiveAvailable();
  // ReceiveAvailable until it gives data or the time-out passed; empty then.
  std::string ReceiveWithin();
  // ReceiveWithin; raises "Socket timeout." with the logs when nothing came.
  std::string ReceiveOrFail();

  // Raises EDovaroSocketError with SocketErrorText of `text`, the logs (as
  // MaskedForLog shows them) and the destination.
  [[noreturn]] void RaiseSocketError(std::string_view text) const;

  const std::string& Host() const { return host_; }
  std::uint16_t Port() const { return port_; }
  bool Connected() const { return connected_; }
  unsigned TimeoutMs() const { return timeoutMs_; }
  void SetTimeoutMs(unsigned timeoutMs) { timeoutMs_ = timeoutMs; }
  const std::string& ConversationLog() const { return conversationLog_; }
  const std::string& ReplyLog() const { return replyLog_; }
  void SetProgressCallback(TProgressCallback callback) { progress_ = std::move(callback); }

 protected:
  // Whether the data received since the last send is a whole reply, so no
  // quiet second needs to pass: a datagram is always whole; a stream of
  // unknown form never is.
  virtual bool ReplyComplete(std::string_view received) const;
  // A text as warnings may show it (a subclass hides credentials).
  virtual std::string MaskedForLog(std::string_view text) const;
  void AppendToConversation(std::string_view text) { conversationLog_ += text; }
  void ClearReplyLog() { replyLog_.clear(); }

 private:
  std::size_t BytesWaiting();
  // Reads what is waiting (one datagram on a datagram socket) into the logs.
  std::string ReadWaiting(std::size_t waiting);
  // Closes without raising and forgets the logs.
  void CloseQuietly();
  // The socket failure of `call`, with the logs as they were, after closing.
  [[noreturn]] void FailAndClose(std::string_view call, int error);

  std::string host_;
  std::uint16_t port_;
  bool stream_;
  unsigned timeoutMs_;
  bool connected_ = false;
  std::uintptr_t socket_;
  std::uint32_t peerAddress_ = 0;  // network byte order, as the system gives it
  std::string conversationLog_;
  std::string replyLog_;
  TProgressCallback progress_;
};

class TDovaroClientSMTP : public TDovaroClientSocket {
 public:
  TDovaroClientSMTP(std::string host, std::uint16_t port, unsigned timeoutMs = 30000);

  // The socket's Connect, then the greeting 220; a refusal raises with the
  // conversation log.
  void Connect() override;
  // ReceiveOrFail; true when the reply's code (its leading digits) is one of
  // `codes`. A reply of several lines counts by its first code.
  bool AwaitReply(const std::vector<int>& codes);
  // Sends `line` (CR LF added unless it ends with one) and awaits one of
  // `codes`; raises with the conversation log when it was not all sent or
  // the reply refuses. False without sending for an empty line.
  bool SendCommand(std::string_view line, const std::vector<int>& codes);
  // The code of the last reply; none before one.
  std::optional<int> LastReplyCode() const { return lastReplyCode_; }
  // The user and password whose Base64 lines the logs of failures hide.
  void HideCredentials(std::string user, std::string password);

 protected:
  bool ReplyComplete(std::string_view received) const override;
  std::string MaskedForLog(std::string_view text) const override;

 private:
  std::optional<int> lastReplyCode_;
  std::string user_;
  std::string password_;
};
