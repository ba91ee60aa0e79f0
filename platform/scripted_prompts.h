#pragma once
// A prompt handler for tests: records every prompt and answers Yes/No
// questions from a script. Installs itself for its lifetime.

#include <deque>
#include <mutex>
#include <vector>

#include "platform/prompts.h"

namespace telvane {

class ScriptedPrompts : public PromptHandler {
public:
  ScriptedPrompts();
  ~ScriptedPrompts() override;
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  // Answers for the next questions, in order. A question with no scripted
  // answer is recorded as unexpected and answered No.
  void answer(bool yes);
  void answer(std::initializer_list<bool> answers);

  bool show(const Prompt& prompt) override;

  std::vector<Prompt> prompts() const;
  size_t unexpectedQuestions() const;
  size_t unusedAnswers() const;
  void clear();

private:
  PromptHandler* previous_;
  mutable std::mutex mutex_;
  std::deque<bool> answers_;        // guarded by mutex_
  std::vector<Prompt> prompts_;     // guarded by mutex_
  size_t unexpected_ = 0;           // guarded by mutex_
};

}  // namespace telvane
