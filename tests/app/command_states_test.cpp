#include <gtest/gtest.h>

#include "app/command_states.h"

namespace telvane {
namespace {

TEST(CommandStates, EmptyLogsLeaveOnlyNewAndReceive) {
  const CommandStates s = ComputeCommandStates(LogPage::Outgoing, false, false, false);
  EXPECT_TRUE(s.newFax);
  EXPECT_TRUE(s.receive);
  EXPECT_FALSE(s.faxGrid);
  EXPECT_FALSE(s.cloneFax);
  EXPECT_FALSE(s.send);
  EXPECT_FALSE(s.edit || s.del || s.view || s.print);
}

TEST(CommandStates, RowCommandsFollowThePageShown) {
  const CommandStates out = ComputeCommandStates(LogPage::Outgoing, true, false, false);
  EXPECT_TRUE(out.edit && out.del && out.view && out.print && out.cloneFax && out.send);
  const CommandStates in = ComputeCommandStates(LogPage::Incoming, true, false, false);
  EXPECT_FALSE(in.edit || in.del || in.view || in.print);
  EXPECT_FALSE(in.newFax);
  EXPECT_FALSE(in.cloneFax);
  EXPECT_TRUE(in.send);  // Send follows the outgoing log on either page
  EXPECT_TRUE(in.faxGrid);
  EXPECT_FALSE(in.recFaxGrid);
  const CommandStates rec = ComputeCommandStates(LogPage::Incoming, false, true, false);
  EXPECT_TRUE(rec.edit && rec.del && rec.view && rec.print && rec.recFaxGrid);
}

TEST(CommandStates, ReceiveModeOnlyDisablesReceiving) {
  const CommandStates s = ComputeCommandStates(LogPage::Outgoing, true, true, true);
  EXPECT_FALSE(s.receive);
  EXPECT_TRUE(s.newFax);  // refused when used, not disabled
  EXPECT_TRUE(s.edit);
}

}  // namespace
}  // namespace telvane
