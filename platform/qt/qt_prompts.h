#pragma once
// Message boxes for the prompt interface.

#include "platform/prompts.h"

namespace telvane {

class QtPrompts : public PromptHandler {
public:
  bool show(const Prompt& prompt) override;
};

}  // namespace telvane
