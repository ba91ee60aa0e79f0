#include "settings/window_placement.h"

#include <cstdint>

#include "settings/app_settings.h"
#include "settings/ini_file.h"

namespace telvane {

std::string PlacementSectionName(std::string_view windowClass, int pixelsPerInch) {
  std::string name = std::string(windowClass) + "_Placement";
  if (pixelsPerInch > 96) name += std::to_string(pixelsPerInch);
  return name;
}

WindowPlacement ReadWindowPlacement(const IniFile& file, std::string_view section, bool designedMaximized) {
  WindowPlacement p;
  p.Rect.Left = file.ReadInteger(section, "Left", 0);
  p.Rect.Top = file.ReadInteger(section, "Top", 0);
  p.Rect.Right = file.ReadInteger(section, "Right", 0);
  p.Rect.Bottom = file.ReadInteger(section, "Bottom", 0);
  p.Maximized = file.ReadBool(section, "Maximized", designedMaximized);
  return p;
}

void WriteWindowPlacement(IniFile& file, std::string_view section, const WindowPlacement& p) {
  const bool ok = file.WriteInteger(section, "Left", p.Rect.Left) && file.WriteInteger(section, "Top", p.Rect.Top) &&
                  file.WriteInteger(section, "Right", p.Rect.Right) &&
                  file.WriteInteger(section, "Bottom", p.Rect.Bottom) &&
                  file.WriteBool(section, "Maximized", p.Maximized);
  if (!ok) throw SettingsWriteError(file.Path());
}

bool IsUsableRect(const WindowRect& r) {
  constexpr int64_t limit = 1'000'000;  // far beyond any desktop, far from overflow
  for (const int v : {r.Left, r.Top, r.Right, r.Bottom})
    if (v < -limit || v > limit) return false;
  return r.Right > r.Left && r.Bottom > r.Top;
}

WindowRect FitScreenSize(WindowRect r, int screenWidth, int screenHeight) {
  if (screenWidth > 0 && r.Width() > screenWidth) r.Right = r.Left + screenWidth;
  if (screenHeight > 0 && r.Height() > screenHeight) r.Bottom = r.Top + screenHeight;
  return r;
}

WindowRect KeepOnScreen(WindowRect r, int screenWidth, int screenHeight) {
  const auto shift = [](int& low, int& high, int limit) {
    if (high > limit) {
      low -= high - limit;
      high = limit;
    }
    if (low < 0) {
      high += 1 - low;
      low = 1;
    }
  };
  shift(r.Left, r.Right, screenWidth);
  shift(r.Top, r.Bottom, screenHeight);
  return r;
}

WindowRect CenteredIn(const WindowRect& area, int width, int height) {
  const int left = area.Left + (area.Width() - width) / 2;
  const int top = area.Top + (area.Height() - height) / 2;
  return {left, top, left + width, top + height};
}

}  // namespace telvane
