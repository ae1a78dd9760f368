// The VST3 view on Windows: opened through the bundle's controller as a child of a host
// window, driven with real input (SendInput); the gestures reach the component handler
// balanced and move the controller.
#include <gtest/gtest.h>
#include <windows.h>

#include "edit_gestures.h"
#include "vst3_host.h"

using namespace vst3;

namespace {
constexpr int kWidth = 454;
constexpr int kHeight = 296;
constexpr int kTickMs = 42;
constexpr ParamID kAmount = 1;

HWND CreateHostWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RuckVst3Host";
    RegisterClassW(&wc);
    return CreateWindowExW(0, L"RuckVst3Host", L"host", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

void Pump(int ms)
{
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

void Send(DWORD flags, HWND window, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(p.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(p.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    Pump(15);
}

struct Request {
    VstInt32 opcode;
    int index;
};

std::vector<Request> AsRequests(const std::vector<HostEdit>& edits)
{
    std::vector<Request> log;
    for (const HostEdit& edit : edits) {
        const VstInt32 opcode = edit.kind == 'b'   ? audioMasterBeginEdit
                                : edit.kind == 'p' ? audioMasterAutomate
                                : edit.kind == 'e' ? audioMasterEndEdit
                                                   : -1;
        log.push_back({opcode, static_cast<int>(edit.id)});
    }
    return log;
}

TEST(Vst3ViewWin, KnobDragReachesTheHandlerBalanced)
{
    Vst3Bundle bundle(RUCK_VST3_BUNDLE_PATH);
    Vst3Instance plug(bundle);
    ASSERT_TRUE(plug.Ok()) << plug.Error();
    const HWND host = CreateHostWindow();
    ASSERT_NE(host, nullptr);
    PlugView* view = plug.controller->createView("editor");
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->attached(host, kPlatformHwnd), kResultOk);
    const HWND editor = GetWindow(host, GW_CHILD);
    ASSERT_NE(editor, nullptr);
    Pump(3 * kTickMs);

    Send(0, editor, 67, 165);
    Send(MOUSEEVENTF_LEFTDOWN, editor, 67, 165);
    for (int step = 1; step <= 4; ++step) {
        Send(0, editor, 67, 165 - 43 * step / 4);
    }
    Send(MOUSEEVENTF_LEFTUP, editor, 67, 165 - 43);
    Pump(3 * kTickMs);
    EXPECT_NEAR(plug.controller->getParamNormalized(kAmount), 0.63, 0.001);
    ASSERT_GE(plug.handler.edits.size(), 3u);
    EXPECT_EQ(plug.handler.edits.front().kind, 'b');
    EXPECT_EQ(plug.handler.edits.back().kind, 'e');
    EXPECT_EQ(EditGestureFault(AsRequests(plug.handler.edits), true), "");

    ASSERT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    EXPECT_EQ(view->release(), 0u);
    DestroyWindow(host);
}
}  // namespace
