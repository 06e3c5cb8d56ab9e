#pragma once

// The main window's widget name, which the control styles are scoped to.
inline constexpr char MAIN_WINDOW_STYLE_NAME[] = "main-window";

// Lets the main window's controls take the exact sizes the program gives them
// (the theme's minimum heights are taller than a 25-pixel field or button)
// and lets the progress bar fill its box. Other windows, the save dialog
// among them, keep the theme as it is. Installed once.
void InstallControlStyles();
