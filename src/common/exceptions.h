// The exception hierarchy.
//
// Every class can name itself and make a new instance of exactly its own class from a message
// alone (WrapException relies on both), and can throw itself by its dynamic type:
//
//   catch (const Exception& e) { WrapException(e, "Создание резервной копии", true)->Raise(); }
//
// Declare a class with ORMA_DECLARE_EXCEPTION(EName, EBase); it then has a constructor from
// a message, ClassName() == "EName", CreateNew() and Raise().
#pragma once

#include <exception>
#include <memory>
#include <string>

namespace orma {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  ~Exception() override = default;

  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

  virtual std::string ClassName() const { return "Exception"; }
  virtual std::unique_ptr<Exception> CreateNew(std::string message) const {
    return std::make_unique<Exception>(std::move(message));
  }
  [[noreturn]] virtual void Raise() const { throw *this; }

 private:
  std::string message_;
};

#define ORMA_DECLARE_EXCEPTION(Name, Base)                                      \
  class Name : public Base {                                                    \
   public:                                                                      \
    using Base::Base;                                                           \
    std::string ClassName() const override { return #Name; }                    \
    std::unique_ptr<::orma::Exception> CreateNew(std::string message) const override { \
      return std::make_unique<Name>(std::move(message));                        \
    }                                                                           \
    [[noreturn]] void Raise() const override { throw *this; }                   \
  }

// A pattern that does not match its arguments (Format, date-time parsing).
ORMA_DECLARE_EXCEPTION(EConvertError, Exception);

// A failed operating-system call. ErrorCode() is the system's code; an instance made from a
// message alone (as WrapException makes it) has code 0.
class EOSError : public Exception {
 public:
  explicit EOSError(std::string message, int code = 0) : Exception(std::move(message)), code_(code) {}
  int ErrorCode() const { return code_; }
  std::string ClassName() const override { return "EOSError"; }
  std::unique_ptr<Exception> CreateNew(std::string message) const override {
    return std::make_unique<EOSError>(std::move(message));
  }
  [[noreturn]] void Raise() const override { throw *this; }

 private:
  int code_;
};

// Raises EOSError for the calling thread's last system error, in the form
//   <what> "<path>": <code> <system text>
// e.g.  Cannot delete file "/opt/rude/DB/ORMA.FDB": 13 Permission denied
[[noreturn]] void RaiseLastOSError(const std::string& what, const std::string& path);
[[noreturn]] void RaiseOSError(int code, const std::string& what, const std::string& path);

}  // namespace orma
