// The root of our runtime's exception classes: every failure the system
// raises carries a message text and derives from Exception, so filters and
// reports can name the class and its ancestors.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// The runtime library's own failures that the installer lets escape.
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};

class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A list or array index outside the list ("List index out of bounds (%d)").
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// A stream that ends before the data it should hold ("Stream read error").
class EReadError : public Exception {
 public:
  using Exception::Exception;
};

// The silent exception: it ends an operation without an error message, and
// the exception engine never reports it.
class EAbort : public Exception {
 public:
  using Exception::Exception;
};

// A failed assertion of the engine (its message says what was expected).
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};
