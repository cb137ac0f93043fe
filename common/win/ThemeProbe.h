// Whether visual themes are active, asked once at start-up: controls that draw their own border
// only while no theme is active need the answer.
#pragma once

namespace orvex {

// Loads the library, asks its IsThemeActive and remembers the answer. Without the library or
// the function the answer is "no theme".
bool ProbeThemeActive(const char* library = "UxTheme.dll");

// The answer of the last probe; false before any.
bool ThemeActive();

}  // namespace orvex
