// Real input for window tests on Windows (Wine's desktop): the test thread's message pump,
// and the mouse moved and pressed through SendInput at a window's client coordinates.
#pragma once

#include <windows.h>

// Dispatches the thread's messages for about ms milliseconds.
void PumpMessages(int ms);
// Sends one input event, then lets the windows handle it.
void SendAndPump(INPUT input);
// Moves the pointer to (x, y) of the window's client area.
void MoveMouseTo(HWND window, int x, int y);
// Presses or releases buttons where the pointer is (MOUSEEVENTF_LEFTDOWN, ...).
void PressMouse(DWORD buttonFlags);
// A left-button drag from (x, y) to (x, y + dy) in a few steps, as a hand makes it.
void DragMouse(HWND window, int x, int y, int dy);
// A visible top-level popup of the given size for a plug-in editor to live in.
HWND CreateHostWindow(const wchar_t* className, WNDPROC procedure, int x, int width, int height);
