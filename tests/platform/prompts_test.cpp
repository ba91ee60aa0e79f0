#include <gtest/gtest.h>

#include "platform/prompts.h"
#include "platform/scripted_prompts.h"

namespace telvane {
namespace {

TEST(Prompts, ScriptRecordsTextsAndCaptionsAndAnswersInOrder) {
  ScriptedPrompts script;
  script.answer({true, false});
  ShowInformation("Done.");
  EXPECT_TRUE(AskYesNo("Rebuild?", "REINDEX"));
  EXPECT_FALSE(AskYesNoDefaultNo("Delete?", "DELETE"));
  const auto prompts = script.prompts();
  ASSERT_EQ(prompts.size(), 3u);
  EXPECT_EQ(prompts[0].caption, "Information");
  EXPECT_EQ(prompts[0].kind, PromptKind::Information);
  EXPECT_EQ(prompts[1].text, "Rebuild?");
  EXPECT_EQ(prompts[1].caption, "REINDEX");
  EXPECT_EQ(prompts[2].kind, PromptKind::YesNoDefaultNo);
  EXPECT_EQ(script.unexpectedQuestions(), 0u);
  EXPECT_EQ(script.unusedAnswers(), 0u);
}

TEST(Prompts, UnscriptedQuestionIsCountedAndAnsweredNo) {
  ScriptedPrompts script;
  EXPECT_FALSE(AskYesNo("Exit?", "Exit"));
  EXPECT_EQ(script.unexpectedQuestions(), 1u);
}

TEST(Prompts, ScriptRestoresThePreviousHandler) {
  ScriptedPrompts outer;
  {
    ScriptedPrompts inner;
    ShowInformation("inner");
  }
  ShowInformation("outer");
  ASSERT_EQ(outer.prompts().size(), 1u);
  EXPECT_EQ(outer.prompts()[0].text, "outer");
}

TEST(Prompts, CarriageReturnsBecomeLineBreaks) {
  EXPECT_EQ(PromptDisplayText("one\rtwo"), "one\ntwo");
  EXPECT_EQ(PromptDisplayText("one\r\ntwo"), "one\ntwo");
  EXPECT_EQ(PromptDisplayText("one\r\rtwo"), "one\n\ntwo");
  EXPECT_EQ(PromptDisplayText("one\r\n\r\ntwo\r"), "one\n\ntwo\n");
  EXPECT_EQ(PromptDisplayText("plain"), "plain");
}

}  // namespace
}  // namespace telvane
