// The monitor's ticks as the history keeps them, over a real store.
#include "history/depth_history.h"
#include "tests/history/history_fixture.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

class MonitorHistory : public MonitorFixture {
 protected:
  std::vector<DepthPoint> kept(const std::string& queue) {
    return history_.pointsSince({kManager, queue}, 0);
  }
  void tick() {
    time_.now += kSecondMs;
    window_->fireTimer();
  }

  TestClock time_;
  DepthHistory history_{nullptr, time_.clock()};
};

TEST_F(MonitorHistory, EveryTickOfEveryRowIsKeptWithFailedTicksAsGaps) {
  defineQueue("Q1", 10);
  defineQueue("Q2");
  open({"Q1", "Q2", "NO.SUCH.Q"}, Start{.history = &history_});
  tick();
  putTexts("Q1", {"a", "b", "c"});  // persistent: they outlive the restart
  tick();
  // An outage: slot 0 cannot be read, and the other rows are not read at all.
  stopManager();
  tick();
  tick();
  startManager();
  tick();
  tick();
  EXPECT_EQ(depthText(0), "3");

  const auto depths = [this](const std::string& queue) {
    std::vector<std::optional<std::int32_t>> values;
    for (const DepthPoint& p : kept(queue)) values.push_back(p.depth);
    return values;
  };
  using V = std::vector<std::optional<std::int32_t>>;
  const std::nullopt_t gap = std::nullopt;
  // The first tick after the start reconnects (the rows stay unread), the next reads again.
  EXPECT_EQ(depths("Q1"), (V{0, 3, gap, gap, gap, 3}));
  EXPECT_EQ(depths("Q2"), (V{0, 0, gap, gap, gap, 0}));
  EXPECT_EQ(depths("NO.SUCH.Q"), (V{gap, gap, gap, gap, gap, gap}));  // "N/A"
  EXPECT_EQ(kept("Q1").back().maxDepth, 10);
  EXPECT_FALSE(kept("Q1")[2].maxDepth.has_value());
  EXPECT_EQ(kept("Q1").back().at, time_.now);
  // The warning mark the boxes are coloured against.
  window_->setText(ctl::kWarningPercent, "55");
  tick();
  EXPECT_DOUBLE_EQ(history_.warningFraction(), 0.55);
}

}  // namespace
}  // namespace tarnix::testing
