#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/messaging/child_process.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

using namespace std::chrono_literals;

// Files named on kxadmin's command line: whatever they are, one line and status 1, never an abort
// and never a read without end.
using InputFiles = QueueFixture;

int lineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(InputFiles, AFileThatCannotBeAMessageIsRefusedInOneLineAndPutsNothing) {
  // A FIFO that no one writes would hold the read for ever; a device may never end.
  const std::string fifo = (dataDir_ / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string file;
    const char* says;
  } cases[] = {{dataDir_.string(), "is a directory"},
               {fifo, "is not a regular file (a FIFO)"},
               {"/dev/zero", "is not a regular file (a device)"},
               {(dataDir_ / "missing").string(), "No such file"}};
  for (const auto& [file, says] : cases) {
    SCOPED_TRACE(file);
    const KxadminRun run = runKxadmin({"put", "QM1", "Q1", "--file", file}, 10s);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(lineCount(run.output), 1) << run.output;
    EXPECT_NE(run.output.find(says), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("no message was put"), std::string::npos) << run.output;
  }
  EXPECT_EQ(queue_.queryDepth(), 0);
}

TEST_F(InputFiles, AFileLargerThanTheLargestMessageIsRefusedWithoutBeingRead) {
  // 300 MB that take no disk: a file read whole before the size is checked shows in memory.
  const auto big = dataDir_ / "big";
  std::ofstream(big).close();
  std::filesystem::resize_file(big, 300u << 20);
  const KxadminRun small = runKxadmin({"put", "QM1", "Q1", "--text", "small"});
  const KxadminRun run = runKxadmin({"put", "QM1", "Q1", "--file", big.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("holds more than the largest message (104857600 bytes)"),
            std::string::npos)
      << run.output;
  // Next to a small put, far below the 300 MB (or even one 100 MB message).
  EXPECT_LT(run.maxResidentKb - small.maxResidentKb, 32 * 1024);
  EXPECT_EQ(queue_.queryDepth(), 1);
}

TEST_F(InputFiles, AFileUpToTheLimitIsPutWhole) {
  const auto file = dataDir_ / "body";
  std::ofstream(file, std::ios::binary) << std::string(70000, 'b') << "end";
  const KxadminRun run = runKxadmin({"put", "QM1", "Q1", "--file", file.string()});
  ASSERT_EQ(run.status, 0) << run.output;
  QueueMessage message;
  ASSERT_TRUE(queue_.get(message, GetOptions{}));
  EXPECT_EQ(message.dataLength(), 70003u);
  EXPECT_EQ(textOf(message).substr(69998), "bbend");
}

}  // namespace
}  // namespace kx::testing
