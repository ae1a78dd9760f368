#include "win_input.h"

namespace {
constexpr int kSettleMs = 15;
constexpr int kPollMs = 5;
constexpr int kDragSteps = 4;
// SendInput's absolute coordinates span the screen as 0..65535.
constexpr int kAbsoluteSpan = 65536;
}  // namespace

void PumpMessages(int ms)
{
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(kPollMs);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

void SendAndPump(INPUT input)
{
    SendInput(1, &input, sizeof input);
    PumpMessages(kSettleMs);
}

void MoveMouseTo(HWND window, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(p.x, kAbsoluteSpan, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(p.y, kAbsoluteSpan, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendAndPump(input);
}

void PressMouse(DWORD buttonFlags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = buttonFlags;
    SendAndPump(input);
}

void DragMouse(HWND window, int x, int y, int dy)
{
    MoveMouseTo(window, x, y);
    PressMouse(MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= kDragSteps; ++step) {
        MoveMouseTo(window, x, y + dy * step / kDragSteps);
    }
    PressMouse(MOUSEEVENTF_LEFTUP);
}

HWND CreateHostWindow(const wchar_t* className, WNDPROC procedure, int x, int width, int height)
{
    WNDCLASSW wc = {};
    if (!GetClassInfoW(GetModuleHandleW(nullptr), className, &wc)) {
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = className;
        RegisterClassW(&wc);
    }
    return CreateWindowExW(0, className, L"host", WS_POPUP | WS_VISIBLE, x, 0, width, height, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}
