#include "platform/scripted_prompts.h"

namespace telvane {

ScriptedPrompts::ScriptedPrompts() : previous_(SetPromptHandler(this)) {}

ScriptedPrompts::~ScriptedPrompts() { SetPromptHandler(previous_); }

void ScriptedPrompts::answer(bool yes) {
  std::lock_guard lock(mutex_);
  answers_.push_back(yes);
}

void ScriptedPrompts::answer(std::initializer_list<bool> answers) {
  std::lock_guard lock(mutex_);
  answers_.insert(answers_.end(), answers);
}

bool ScriptedPrompts::show(const Prompt& prompt) {
  std::lock_guard lock(mutex_);
  prompts_.push_back(prompt);
  if (prompt.kind == PromptKind::Information || prompt.kind == PromptKind::Error) return true;
  if (answers_.empty()) {
    ++unexpected_;
    return false;
  }
  const bool yes = answers_.front();
  answers_.pop_front();
  return yes;
}

std::vector<Prompt> ScriptedPrompts::prompts() const {
  std::lock_guard lock(mutex_);
  return prompts_;
}

size_t ScriptedPrompts::unexpectedQuestions() const {
  std::lock_guard lock(mutex_);
  return unexpected_;
}

size_t ScriptedPrompts::unusedAnswers() const {
  std::lock_guard lock(mutex_);
  return answers_.size();
}

void ScriptedPrompts::clear() {
  std::lock_guard lock(mutex_);
  prompts_.clear();
  answers_.clear();
  unexpected_ = 0;
}

}  // namespace telvane
