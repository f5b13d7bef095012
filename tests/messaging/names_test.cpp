#include "platform/messaging/names.h"

#include <gtest/gtest.h>

#include <string>

namespace kx {
namespace {

struct NameCase {
  std::string name;
  bool queueOk;
  bool managerOk;
};

TEST(NameValidation, AcceptsAndRefusesByTheRules) {
  const NameCase cases[] = {
      {"Q1", true, true},
      {"A.B_C%d", true, true},
      {std::string(48, 'x'), true, true},
      {"APP/ORDERS", true, false},  // '/' is for queues only: a manager name is a file name
      {"..x", true, true},          // dots that are not a path step
      {"", false, false},
      {std::string(49, 'x'), false, false},
      {"../x", false, false},
      {"a/../b", false, false},
      {"x/..", false, false},
      {"/abs", false, false},
      {".", false, false},
      {"..", false, false},
      {"has blank", false, false},
      {"tab\there", false, false},
      {"dash-ed", false, false},
      {std::string("nul\0x", 5), false, false},
      {"\xC3\xA9", false, false},  // non-ASCII
  };
  for (const auto& c : cases) {
    EXPECT_EQ(validateName(c.name, NameKind::Queue) == reason::kNone, c.queueOk)
        << "queue name '" << c.name << "'";
    EXPECT_EQ(validateName(c.name, NameKind::QueueManager) == reason::kNone, c.managerOk)
        << "manager name '" << c.name << "'";
  }
}

}  // namespace
}  // namespace kx
