// Opening a web address in the desktop's browser through xdg-open, without waiting for it.
#pragma once

// Starts xdg-open on the address; false when it cannot be started (not installed, or an
// address that would read as an option), so the caller may try another address.
bool LaunchBrowser(const char* address);
// Collects the exit of launchers that have finished; open editors call it on their timer.
void ReapBrowserLaunchers();
