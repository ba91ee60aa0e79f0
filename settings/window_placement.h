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

// A stored rectangle a window can take: positive in size and within the
// coordinates any desktop uses. A hand-edited "Right=0" with a Bottom, a
// Right left of Left, or values near the integer limits are none, and the
// window is centred instead, as when nothing was stored.
bool IsUsableRect(const WindowRect& rect);

// A rectangle larger than the screen shrunk to the screen's size, keeping
// Left and Top: a placement saved on a larger screen must not put the
// window's edges (and its Exit button and status line) out of reach.
WindowRect FitScreenSize(WindowRect rect, int screenWidth, int screenHeight);

// Shifts the rectangle onto a screen of the given size without resizing it:
// past the right edge moves it left, a negative Left then becomes 1; the
// same vertically.
WindowRect KeepOnScreen(WindowRect rect, int screenWidth, int screenHeight);

// The rectangle of a window of the given size centred in `area` (halves
// rounded toward zero).
WindowRect CenteredIn(const WindowRect& area, int width, int height);

}  // namespace telvane
