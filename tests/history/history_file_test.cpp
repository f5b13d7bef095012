// The history kept in its file: written in batches, read back by a monitor started later, and a
// file that cannot be used never in the way.
#include "platform/history/history_file.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>
#include <thread>

#include "history/depth_history.h"
#include "platform/history/state_location.h"
#include "tests/history/history_fixture.h"

namespace tarnix::testing {
namespace {

namespace fs = std::filesystem;
const SeriesKey kQ2{"QM1", "Q2"};

using HistoryFileTest = StateFolder;

// Ninety minutes of two queues, one with an outage, as a monitor keeps them.
void recordNinetyMinutes(DepthHistory& history, TestClock& time) {
  const TimeMs start = time.now;
  for (int s = 0; s < 90 * 60; ++s) {
    time.now = start + s * kSecondMs;
    const bool outage = s % 600 >= 100 && s % 600 < 110;
    history.record(kQ1, outage ? std::nullopt : std::optional(s % 97), 5000);
    history.record(kQ2, s / 60, std::nullopt);
  }
}

TEST_F(HistoryFileTest, ARestartedMonitorReadsBackWhatTheLastOneKeptGapsAndThinningIncluded) {
  TestClock time;
  std::vector<DepthPoint> before1;
  std::vector<DepthPoint> before2;
  {
    std::string why;
    auto file = HistoryFile::open(this->file(), why);
    ASSERT_TRUE(file) << why;
    DepthHistory history(file.get(), time.clock());
    history.watch("QM1", std::vector<std::string>{"Q1", "Q2"});
    recordNinetyMinutes(history, time);
    before1 = history.pointsSince(kQ1, 0);
    before2 = history.pointsSince(kQ2, 0);
  }  // the last batch is written as the history goes
  struct stat status {};
  ASSERT_EQ(::stat(file().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  time.now += 10 * kMinuteMs;
  std::string why;
  auto file = HistoryFile::open(this->file(), why);
  ASSERT_TRUE(file) << why;
  DepthHistory restarted(file.get(), time.clock());
  restarted.watch("QM1", std::vector<std::string>{"Q1", "Q2"});
  // Ten minutes on, the points that turned an hour old meanwhile are thinned; the rest is as it
  // was, gaps and empty maximum depths included.
  std::vector<DepthPoint> after1 = restarted.pointsSince(kQ1, 0);
  EXPECT_EQ(after1.back(), before1.back());
  EXPECT_LT(after1.size(), before1.size());
  EXPECT_TRUE(std::any_of(after1.begin(), after1.end(), [](auto& p) { return p.gap(); }));
  const TimeMs recentFrom = time.now - kHourMs;
  const auto tail = [recentFrom](const std::vector<DepthPoint>& points) {
    std::vector<DepthPoint> recent;
    std::copy_if(points.begin(), points.end(), std::back_inserter(recent),
                 [recentFrom](const DepthPoint& p) { return p.at >= recentFrom; });
    return recent;
  };
  EXPECT_EQ(tail(after1), tail(before1));
  EXPECT_EQ(tail(restarted.pointsSince(kQ2, 0)), tail(before2));
  EXPECT_FALSE(restarted.pointsSince(kQ2, 0).back().maxDepth.has_value());

  // The file holds what memory holds, also after the thinning was written back.
  restarted.flush();
  std::vector<DepthPoint> inFile;
  ASSERT_TRUE(file->load(kQ1, 0, inFile, why)) << why;
  EXPECT_EQ(inFile, after1);
}

TEST_F(HistoryFileTest, FilesThatCannotBeUsedAreRefusedWithOneLineAndTheHistoryStaysInMemory) {
  fs::create_directories(file().parent_path());
  const auto refused = [this](const std::string& what) {
    std::string why;
    EXPECT_FALSE(HistoryFile::open(file(), why)) << what;
    EXPECT_NE(why.find(what), std::string::npos) << why;
    EXPECT_EQ(why.find('\n'), std::string::npos) << why;
  };
  fs::create_symlink(folder_ / "elsewhere", file());
  refused("symbolic link");
  EXPECT_FALSE(fs::exists(folder_ / "elsewhere"));  // never made through the link
  fs::remove(file());
  fs::create_directory(file());
  refused("not a regular file");
  fs::remove(file());
  std::ofstream(file()) << std::string(8192, 'x');
  refused("damaged");
  EXPECT_EQ(fs::file_size(file()), 8192u);  // left as it was

  std::vector<std::string> lines;
  TestClock time;
  DepthHistory history(nullptr, time.clock(), [&](const std::string& l) { lines.push_back(l); });
  history.record(kQ1, 4, 10);
  EXPECT_EQ(history.pointsSince(kQ1, 0).size(), 1u);
  EXPECT_TRUE(lines.empty());
}

TEST_F(HistoryFileTest, AFileThatFailsWhileInUseIsReportedOnceAndTheMonitorGoesOn) {
  std::string why;
  auto file = HistoryFile::open(this->file(), why);
  ASSERT_TRUE(file) << why;
  std::vector<std::string> lines;
  TestClock time;
  DepthHistory history(file.get(), time.clock(), [&](const std::string& l) { lines.push_back(l); });
  // Another program holds the file's write lock longer than a writer waits.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(this->file().c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  for (int s = 0; s < 100; ++s) {
    time.now += kSecondMs;
    history.record(kQ1, s, 10);
  }
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("kept in memory only"), std::string::npos) << lines[0];
  EXPECT_FALSE(history.persistent());
  EXPECT_EQ(history.pointsSince(kQ1, 0).size(), 100u);
}

TEST_F(HistoryFileTest, TwoMonitorsWritingAtOnceLeaveASoundFile) {
  const auto monitor = [this](int offset) {
    std::string why;
    auto file = HistoryFile::open(this->file(), why);
    ASSERT_TRUE(file) << why;
    TestClock time;
    time.now += offset;
    DepthHistory history(file.get(), time.clock());
    history.watch("QM1", std::vector<std::string>{"Q1"});
    for (int s = 0; s < 3 * 3600; ++s) {
      time.now += kSecondMs;
      history.record(kQ1, s % 50, 100);
    }
    EXPECT_TRUE(history.persistent());
  };
  std::thread first(monitor, 0);
  std::thread second(monitor, 500);
  first.join();
  second.join();
  std::string why;
  auto file = HistoryFile::open(this->file(), why);  // checks the file on opening
  ASSERT_TRUE(file) << why;
  std::vector<DepthPoint> points;
  ASSERT_TRUE(file->load(kQ1, 0, points, why)) << why;
  EXPECT_GT(points.size(), 3600u);
}

TEST(StateLocation, FollowsXdgStateHomeElseHomeAndIgnoresARelativeOne) {
  const char* savedState = std::getenv("XDG_STATE_HOME");
  const std::string saved = savedState ? savedState : "";
  ::setenv("HOME", "/home/op", 1);
  ::setenv("XDG_STATE_HOME", "/var/state", 1);
  EXPECT_EQ(historyFile(), fs::path("/var/state/tarnix/depth-history.sqlite"));
  ::setenv("XDG_STATE_HOME", "relative", 1);
  EXPECT_EQ(stateFolder(), fs::path("/home/op/.local/state/tarnix"));
  ::unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(stateFolder(), fs::path("/home/op/.local/state/tarnix"));
  if (savedState) ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace tarnix::testing
