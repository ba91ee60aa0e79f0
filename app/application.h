#pragma once
// What the program sets on the application before any window exists.

namespace telvane {

// The application's name "Telvane". No display name is set: Qt would add it
// to every caption ("Telvane  — Telvane", "Information — Telvane").
void SetApplicationNames();

}  // namespace telvane
