#pragma once
// One environment variable set (or with nullopt unset) until the owner goes
// away; the earlier value, or its absence, is back afterwards.
#include <optional>
#include <string>

namespace corvanta_test {

class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace corvanta_test
