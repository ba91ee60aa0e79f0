#include "platform/prompts.h"

#include <atomic>
#include <cstdio>

namespace telvane {
namespace {

std::atomic<PromptHandler*> g_handler{nullptr};

bool showPrompt(PromptKind kind, std::string_view text, std::string_view caption) {
  Prompt prompt{kind, std::string(text), std::string(caption)};
  if (PromptHandler* handler = g_handler.load()) return handler->show(prompt);
  std::fprintf(stderr, "[%s] %s\n", prompt.caption.c_str(), PromptDisplayText(prompt.text).c_str());
  return kind == PromptKind::Information || kind == PromptKind::Error;
}

}  // namespace

PromptHandler* SetPromptHandler(PromptHandler* handler) { return g_handler.exchange(handler); }

void ShowInformation(std::string_view text, std::string_view caption) {
  showPrompt(PromptKind::Information, text, caption);
}

bool AskYesNo(std::string_view text, std::string_view caption) {
  return showPrompt(PromptKind::YesNo, text, caption);
}

bool AskYesNoDefaultNo(std::string_view text, std::string_view caption) {
  return showPrompt(PromptKind::YesNoDefaultNo, text, caption);
}

void ShowError(std::string_view text, std::string_view caption) { showPrompt(PromptKind::Error, text, caption); }

std::string PromptDisplayText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += '\n';
      const char next = i + 1 < text.size() ? text[i + 1] : '\0';
      if ((next == '\r' || next == '\n') && next != c) ++i;  // one pair, one break
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace telvane
