// The notes sent to the desktop: spaced so that a queue hovering at its mark does not flood it.
#include "monitor/depth_alerts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/connect_advice.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

using Notes = std::vector<std::string>;
const std::string kOver = "QM1: Q1 is over its warning mark";
const std::string kBack = "QM1: Q1 is back within its warning mark";

class Alerts : public ::testing::Test {
 protected:
  // One tick for queue Q1 at `at` seconds from the start.
  void tick(bool over, int at) {
    alerts_.queueRead(0, "Q1", over, over ? 90 : 10, 100, start_ + std::chrono::seconds(at));
  }
  Notes sent_;
  DepthAlerts alerts_{
      "QM1", [this](const std::string& summary, const std::string&) { sent_.push_back(summary); }};
  DepthAlerts::Clock::time_point start_{};
};

TEST_F(Alerts, OverIsNotedAtMostOnceAMinuteAndBackWithinAfterTwoTicksEachQueueOnItsOwn) {
  tick(false, 0);
  // Flickering at the mark: over is noted once, and one tick within is never enough.
  for (int at = 1; at < 59; at += 2) {
    tick(true, at);
    tick(true, at);
    tick(false, at + 1);
  }
  EXPECT_EQ(sent_, (Notes{kOver}));
  // Back within for good, then over again inside the minute: the alarm waits for the minute,
  // and is noted then if it still stands.
  tick(false, 59);
  tick(true, 59);
  EXPECT_EQ(sent_, (Notes{kOver, kBack}));
  tick(true, 62);
  alerts_.queueRead(1, "Q2", true, 95, 100, start_ + std::chrono::seconds(63));
  EXPECT_EQ(sent_, (Notes{kOver, kBack, kOver, "QM1: Q2 is over its warning mark"}));
}

TEST_F(Alerts, AnOutageIsNotedOnceAndItsEndOnce) {
  alerts_.managerAnswered();  // no outage, nothing to say
  alerts_.reconnectFailed(kx::reason::kQueueManagerNotAvailable);
  alerts_.reconnectFailed(kx::reason::kQueueManagerNotAvailable);
  alerts_.managerAnswered();
  alerts_.managerAnswered();
  EXPECT_EQ(sent_, (Notes{"QM1: queue manager lost", "QM1: queue manager back"}));
}

// The window sends its notes as its poll sees the queues.
using AlertsFromTheWindow = MonitorFixture;

TEST_F(AlertsFromTheWindow, PollNotesAlarmsAndOutages) {
  defineQueue("Q1", 10);
  put("Q1", 9);
  Notes notes;
  tk::HeadlessWindow& w =
      open({"Q1"}, {.alerts = [&](const std::string& summary, const std::string& body) {
             notes.push_back(summary + " / " + body);
           }});
  w.fireTimer();
  EXPECT_EQ(notes, (Notes{kOver + " / Depth 9 of at most 10."}));
  stopManager();
  w.fireTimer();
  w.fireTimer();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[1].rfind("QM1: queue manager lost / Reason 2009", 0), 0u) << notes[1];
  startManager();
  w.fireTimer();
  EXPECT_EQ(notes.back(), "QM1: queue manager back / The monitor is connected again.");
}

// The other reasons are checked on the program's standard error, where the advice is shown.
TEST(ConnectAdvice, WithoutANameSpeaksOfTheDefaultQueueManager) {
  EXPECT_EQ(connectAdvice("", kx::reason::kNoDefaultQueueManager),
            "tarnix: cannot connect to the default queue manager: reason 7012, no default queue "
            "manager. Name the queue manager, or mark a default with 'kxadmin default NAME'.");
}

// A queue manager kept in PostgreSQL is not "stopped" when its database is the trouble: the
// advice says what is, in the server's own words when it gave some.
TEST(ConnectAdvice, SaysWhatIsWrongWithADatabase) {
  EXPECT_EQ(connectAdvice("PQ", kx::reason::kDatabaseUnreachable,
                          "connection to server on socket \"/run/pg/.s.PGSQL.5432\" failed"),
            "tarnix: cannot connect to queue manager PQ: reason 7021, the queue manager's database "
            "server cannot be reached (connection to server on socket \"/run/pg/.s.PGSQL.5432\" "
            "failed). Check that its database server runs and that this machine reaches it with "
            "the connection string in PQ.postgres; the monitor needs no restart once it does.");
  EXPECT_EQ(connectAdvice("PQ", kx::reason::kQueueManagerGone),
            "tarnix: cannot connect to queue manager PQ: reason 7022, the queue manager's database "
            "or schema is gone. Its tables were dropped from the database: 'kxadmin delete "
            "--force PQ' forgets it, and 'kxadmin create PQ --postgres ...' makes it anew.");
  EXPECT_EQ(
      connectAdvice("PQ", kx::reason::kDatabaseNoAccess, "permission denied for schema kx_PQ"),
      "tarnix: cannot connect to queue manager PQ: reason 7023, permission denied in the "
      "queue manager's database (permission denied for schema kx_PQ). Grant the database "
      "role of its connection string the use of schema kx_PQ and of its tables, or name a "
      "role that has them.");
}

}  // namespace
}  // namespace tarnix::testing
