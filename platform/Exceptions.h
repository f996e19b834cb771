#pragma once

#include <exception>
#include <string>

namespace Platform {

// Root of every exception the library and the programs raise on purpose.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  [[nodiscard]] const char* what() const noexcept override { return FMessage.c_str(); }
  [[nodiscard]] const std::string& Message() const noexcept { return FMessage; }

private:
  std::string FMessage;
};

class EStreamError : public Exception {
public:
  using Exception::Exception;
};

// A read that had to deliver every requested byte came up short.
class EReadError : public EStreamError {
public:
  EReadError() : EStreamError("Stream-Lesefehler") {}
  using EStreamError::EStreamError;
};

// A write that had to store every byte was cut short.
class EWriteError : public EStreamError {
public:
  EWriteError() : EStreamError("Stream-Schreibfehler") {}
  using EStreamError::EStreamError;
};

// File errors carry the system's error code (errno) and the file's name next to their text.
class EFileStreamError : public EStreamError {
public:
  EFileStreamError(std::string message, int errorCode, std::string fileName = {})
      : EStreamError(std::move(message)), FErrorCode(errorCode), FFileName(std::move(fileName)) {}
  [[nodiscard]] int ErrorCode() const noexcept { return FErrorCode; }
  [[nodiscard]] const std::string& FileName() const noexcept { return FFileName; }

private:
  int FErrorCode;
  std::string FFileName;
};

class EFOpenError : public EFileStreamError {
public:
  EFOpenError(const std::string& fileName, int errorCode);
};

class EFCreateError : public EFileStreamError {
public:
  EFCreateError(const std::string& fileName, int errorCode);
};

// A failed operating-system call outside the stream classes (rename, delete, ...).
class EOSError : public Exception {
public:
  EOSError(std::string message, int errorCode)
      : Exception(std::move(message)), FErrorCode(errorCode) {}
  [[nodiscard]] int ErrorCode() const noexcept { return FErrorCode; }

private:
  int FErrorCode;
};

class EInvalidOperation : public Exception {
public:
  using Exception::Exception;
};

class EListError : public Exception {
public:
  using Exception::Exception;
};

class ERangeError : public Exception {
public:
  ERangeError() : Exception("Fehler bei Bereichsprüfung") {}
  using Exception::Exception;
};

class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// Raised when an object is asked to take the value of an object it cannot copy.
class EAssignError : public EConvertError {
public:
  EAssignError(const std::string& sourceName, const std::string& targetName);
};

// The system's text for an error code (strerror), as the messages above embed it.
[[nodiscard]] std::string SysErrorMessage(int errorCode);

} // namespace Platform
