#pragma once
// Message boxes. Application code asks through these free functions; the
// program installs a handler that shows real boxes (platform/qt), tests
// install ScriptedPrompts. Texts use "\r" for line breaks.

#include <string>
#include <string_view>

namespace telvane {

enum class PromptKind {
  Information,        // OK button, information icon
  YesNo,              // Yes/No, question icon, Yes is the default
  YesNoDefaultNo,     // Yes/No, question icon, No is the default
  Error,              // OK button, error icon
};

struct Prompt {
  PromptKind kind;
  std::string text;
  std::string caption;
};

class PromptHandler {
public:
  virtual ~PromptHandler() = default;
  // Shows the prompt and returns true for Yes (always true for OK boxes).
  virtual bool show(const Prompt& prompt) = 0;
};

// Installs the handler used by the functions below and returns the previous
// one. With no handler the prompts go to standard error and answer No.
PromptHandler* SetPromptHandler(PromptHandler* handler);

// The caption is "Information" unless a window names its own.
void ShowInformation(std::string_view text, std::string_view caption = "Information");
bool AskYesNo(std::string_view text, std::string_view caption);
bool AskYesNoDefaultNo(std::string_view text, std::string_view caption);
void ShowError(std::string_view text, std::string_view caption = "Error");

// The text as a box shows it: "\r\n", "\n\r" and lone "\r" become "\n".
std::string PromptDisplayText(std::string_view text);

}  // namespace telvane
