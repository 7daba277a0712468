// Failures of the datagram client and its socket layer.
#pragma once

#include "installer/IdSocketErrors.h"
#include "platform/runtime/Exception.h"

class EIdException : public Exception {
 public:
  using Exception::Exception;
};

// A platform socket call failed; the message is "Socket Error # %d\r\n%s".
class EIdSocketError : public EIdException {
 public:
  explicit EIdSocketError(int code) : EIdException(SocketErrorMessage(code)), code_(code) {}
  int LastError() const noexcept { return code_; }

 private:
  int code_;
};

class EIdCouldNotBindSocket : public EIdException {
 public:
  EIdCouldNotBindSocket()
      : EIdException("Could not bind socket. Address and port are already in use.") {}
};

class EIdPackageSizeTooBig : public EIdException {
 public:
  EIdPackageSizeTooBig() : EIdException("Package Size Too Big.") {}
};

class EIdNotAllBytesSent : public EIdException {
 public:
  EIdNotAllBytesSent() : EIdException("Not all bytes sent.") {}
};

// The sockets library could not be loaded or lacks a function.
class EIdWinsockStubError : public EIdException {
 public:
  using EIdException::EIdException;
};
