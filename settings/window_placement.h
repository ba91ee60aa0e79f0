#pragma once
// Window placement kept in TVN.INI, one section per window class:
// "<Class>_Placement", with the screen's pixels per inch appended above 96
// ("TMainScreen_Placement120"), so each resolution keeps its own. Keys Left,
// Top, Right, Bottom (the normal rectangle, Right and Bottom exclusive) and
// Maximized. The rules live here; settings/window_helpers.h applies them to
// Qt windows.

#include <string>
#include <string_view>

namespace telvane {

class IniFile;

struct WindowRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const WindowRect&) const = default;
};

struct WindowPlacement {
  WindowRect Rect;
  bool Maximized = false;
};

std::string PlacementSectionName(std::string_view windowClass, int pixelsPerInch);

// Missing keys read as 0 (Maximized as `designedMaximized`).
WindowPlacement ReadWindowPlacement(const IniFile& file, std::string_view section, bool designedMaximized);
// Throws SettingsWriteError when the file refuses a key.
void WriteWindowPlacement(IniFile& file, std::string_view section, const WindowPlacement& placement);

// Shifts the rectangle onto a screen of the given size without resizing it:
// past the right edge moves it left, a negative Left then becomes 1; the
// same vertically.
WindowRect KeepOnScreen(WindowRect rect, int screenWidth, int screenHeight);

// The rectangle of a window of the given size centred in `area` (halves
// rounded toward zero).
WindowRect CenteredIn(const WindowRect& area, int width, int height);

}  // namespace telvane
