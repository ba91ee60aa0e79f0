#include "compose/fax_page_source.h"

namespace telvane {
namespace {
constexpr int kCharactersNeverEmpty = 256;
constexpr int kLinesLookedAt = 201;
}  // namespace

bool IsFaxSourceEmpty(const FaxPageSource& source) {
  if (!source.HasContent()) return true;
  if (source.CharacterCount() >= kCharactersNeverEmpty) return false;
  const QStringList lines = source.TextLines();
  const int count = std::min<int>(kLinesLookedAt, static_cast<int>(lines.size()));
  for (int i = 0; i < count; ++i)
    if (!lines[i].trimmed().isEmpty()) return false;
  return true;
}

}  // namespace telvane
