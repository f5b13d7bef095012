#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tk {

// What the program remembers for its user between runs: short lists of texts, each under a key
// of its own ("chooser/queues").
class Memory {
 public:
  virtual ~Memory() = default;

  // The texts kept under `key`, in the order they were given; none when nothing is kept.
  virtual std::vector<std::string> recall(std::string_view key) const = 0;
  // Keeps `values` under `key` in place of what was there. False, with the reason, when they
  // could not be kept.
  virtual bool remember(std::string_view key, const std::vector<std::string>& values,
                        std::string& why) = 0;
};

}  // namespace tk
