#pragma once
// Tool-tip hints for the whole program: shown after 1.2 s, kept up to 30 s,
// and switched off entirely (tool tips and status-bar hints) by
// "Show Hints".

namespace telvane {

// Installs the hint rules on the application (once) and turns hints on or off.
void SetHintsEnabled(bool enabled);
bool HintsEnabled();

}  // namespace telvane
