#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "history/depth_history.h"

namespace tarnix::testing {

inline const SeriesKey kQ1{"QM1", "Q1"};

// A clock the test moves by hand, from a fixed moment on a minute's start.
struct TestClock {
  TimeMs now = 1'800'000'000'000;
  DepthHistory::Clock clock() {
    return [this] { return now; };
  }
};

// A state folder of the test's own.
class StateFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnix-history-XXXXXX");
    folder_ = ::mkdtemp(pattern.data());
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path file() const { return folder_ / "tarnix" / "depth-history.sqlite"; }

  std::filesystem::path folder_;
};

}  // namespace tarnix::testing
