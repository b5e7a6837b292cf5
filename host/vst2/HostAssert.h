#pragma once
// Internal consistency checks of the boundary. A failed check stands for a programming error;
// it is raised as an exception that the entry functions catch, so it never reaches the host.
#include <stdexcept>
#include <string>

class EAssertionFailed : public std::logic_error {
 public:
  EAssertionFailed(std::string source, const std::string& message)
      : std::logic_error(message), source(std::move(source)) {}
  const std::string& Source() const { return source; }

 private:
  std::string source;
};

[[noreturn]] inline void AssertionFailed(const std::string& source, const std::string& message) {
  throw EAssertionFailed(source, message);
}
