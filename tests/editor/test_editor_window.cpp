// Ruckstone's editor in a real window, as a musician uses it: a host window holds the
// editor opened through the plug-in binary, and real input (SendInput) drives it. The
// tests check what a host sees: parameter values, edit requests, and the pixels shown.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "edit_gestures.h"
#include "win_input.h"
#include "vst/test_host.h"
#include "vst/vendor_extensions.h"

namespace {

constexpr int kWidth = 454;
constexpr int kHeight = 296;
constexpr int kTickMs = 42;

// The host's own window: it forwards wheel messages to the plug-in as hosts do.
LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEWHEEL) {
        auto* effect = reinterpret_cast<AEffect*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (effect != nullptr) {
            const float steps = static_cast<short>(HIWORD(wParam)) / static_cast<float>(WHEEL_DELTA);
            effect->dispatcher(effect, effVendorSpecific, 0x73744341, 0x57686565, nullptr, steps);
        }
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class EditorWindow : public testing::Test {
protected:
    void SetUp() override
    {
        effect = Open(hostWindow, 0);
        ASSERT_NE(effect, nullptr);
        editor = GetWindow(hostWindow, GW_CHILD);
        ASSERT_NE(editor, nullptr);
        Pump(3 * kTickMs);
        host.requests.clear();
    }

    // Every test's gestures, however they went, must reach the host balanced.
    void TearDown() override
    {
        for (auto& [e, window] : opened) {
            host.Dispatch(e, effEditClose);
            DestroyWindow(window);
        }
        Pump(kTickMs);
        EXPECT_EQ(EditGestureFault(host.requests, true), "");
    }

    AEffect* Open(HWND& window, int x)
    {
        window = CreateHostWindow(L"RuckTestHost", HostWindowProc, x, kWidth, kHeight);
        AEffect* e = host.Open();
        if (e == nullptr || window == nullptr) {
            return nullptr;
        }
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(e));
        host.Dispatch(e, effOpen);
        host.Dispatch(e, effMainsChanged, 0, 1);
        if (host.Dispatch(e, effEditOpen, 0, 0, window) != 1) {
            return nullptr;
        }
        opened.push_back({e, window});
        return e;
    }

    static void Pump(int ms) { PumpMessages(ms); }

    void MoveTo(int x, int y) { MoveMouseTo(editor, x, y); }

    static void Button(DWORD flags) { PressMouse(flags); }

    void Click(int x, int y, bool right = false)
    {
        MoveTo(x, y);
        Button(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
        Button(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    }

    void Drag(int x, int y, int dy, bool shift = false)
    {
        if (shift) {
            Key(VK_SHIFT, true);
        }
        DragMouse(editor, x, y, dy);
        if (shift) {
            Key(VK_SHIFT, false);
        }
    }

    void Wheel(int x, int y, int steps)
    {
        MoveTo(x, y);
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = MOUSEEVENTF_WHEEL;
        input.mi.mouseData = static_cast<DWORD>(steps * WHEEL_DELTA);
        SendAndPump(input);
    }

    static void Key(WORD virtualKey, bool down)
    {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        SendAndPump(input);
    }

    static void Type(const char* text)
    {
        for (const char* c = text; *c; ++c) {
            const SHORT vk = VkKeyScanW(static_cast<WCHAR>(*c));
            Key(static_cast<WORD>(vk & 0xFF), true);
            Key(static_cast<WORD>(vk & 0xFF), false);
        }
    }

    float Value(int index) { return effect->getParameter(effect, index); }
    std::string Display(int index) { return host.Text(effect, effGetParamDisplay, index); }

    // What the editor window shows, read back from the screen.
    std::vector<uint32_t> Shown()
    {
        Pump(3 * kTickMs);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC screen = GetDC(editor);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, section);
        BitBlt(memory, 0, 0, kWidth, kHeight, screen, 0, 0, SRCCOPY);
        GdiFlush();
        std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + kWidth * kHeight);
        SelectObject(memory, old);
        DeleteObject(section);
        DeleteDC(memory);
        ReleaseDC(editor, screen);
        for (uint32_t& p : pixels) {
            p &= 0xFFFFFF;
        }
        return pixels;
    }

    // What the face should show now, painted by the plug-in's own drawing code.
    std::vector<uint32_t> Expected()
    {
        std::vector<uint32_t> pixels(kWidth * kHeight);
        RuckSnapshot snapshot = {kWidth, kHeight, pixels.data()};
        host.Dispatch(effect, effVendorSpecific, kRuckSnapshotIndex, 0, &snapshot);
        for (uint32_t& p : pixels) {
            p &= 0xFFFFFF;
        }
        return pixels;
    }

    // Pixels that differ inside a rectangle of two pictures.
    static int Differences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, RECT r)
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                n += a[y * kWidth + x] != b[y * kWidth + x];
            }
        }
        return n;
    }

    std::vector<VstInt32> EditRequests() const
    {
        std::vector<VstInt32> edits;
        for (const HostRequest& r : host.requests) {
            if (r.opcode == audioMasterBeginEdit || r.opcode == audioMasterEndEdit || r.opcode == audioMasterAutomate) {
                edits.push_back(r.opcode);
            }
        }
        return edits;
    }

    TestHost host;
    AEffect* effect = nullptr;
    HWND hostWindow = nullptr;
    HWND editor = nullptr;
    std::vector<std::pair<AEffect*, HWND>> opened;
};

constexpr RECT kAmountKnob = {34, 132, 100, 218};
constexpr RECT kMixSlider = {333, 243, 443, 278};

}  // namespace

TEST_F(EditorWindow, ShowsTheFaceItPaints)
{
    const std::vector<uint32_t> shown = Shown();
    EXPECT_EQ(Differences(shown, Expected(), RECT{0, 0, kWidth, kHeight}), 0);
}

TEST_F(EditorWindow, KnobDragUpAndDownWithAndWithoutShift)
{
    const std::vector<uint32_t> before = Shown();
    Drag(67, 165, -43);  // half the control's height: an eighth of the range at gearing 4
    EXPECT_NEAR(Value(1), 0.63f, 0.001f);  // 62.5 snaps up to 63
    EXPECT_EQ(Display(1), "63");
    const std::vector<uint32_t> after = Shown();
    EXPECT_GT(Differences(before, after, kAmountKnob), 100);
    EXPECT_EQ(Differences(after, Expected(), kAmountKnob), 0);
    Drag(67, 165, 86, true);  // fine: a tenth as far, a quarter down
    EXPECT_NEAR(Value(1), 0.6f, 0.001f);
    const std::vector<VstInt32> edits = EditRequests();
    ASSERT_GE(edits.size(), 4u);
    EXPECT_EQ(edits.front(), audioMasterBeginEdit);
    EXPECT_EQ(edits[1], audioMasterAutomate);
    EXPECT_EQ(edits.back(), audioMasterEndEdit);
}

TEST_F(EditorWindow, SwitchWrapsFromDecimatorToOff)
{
    effect->setParameter(effect, 0, 1.0f);
    Click(20, 92);
    EXPECT_EQ(Display(0), "Off");
    EXPECT_EQ(EditRequests(), (std::vector<VstInt32>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
    EXPECT_EQ(Differences(Shown(), Expected(), RECT{16, 85, 121, 106}), 0);
}

TEST_F(EditorWindow, SliderPressDragAndPressOutsideTheTrack)
{
    Click(340 + 8, 250);
    EXPECT_EQ(Display(10), "0");
    Drag(340 + 8, 250, 0);
    MoveTo(340 + 48, 250);
    Button(MOUSEEVENTF_LEFTDOWN);
    MoveTo(340 + 88, 251);
    Button(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(Display(10), "100");
    Click(340 + 48, 272);  // the read-out band is not the track
    EXPECT_EQ(Display(10), "100");
    EXPECT_EQ(Differences(Shown(), Expected(), kMixSlider), 0);
}

TEST_F(EditorWindow, DoubleClickReturnsToTheDefault)
{
    effect->setParameter(effect, 1, 0.9f);
    MoveTo(67, 165);
    Button(MOUSEEVENTF_LEFTDOWN);
    Button(MOUSEEVENTF_LEFTUP);
    Button(MOUSEEVENTF_LEFTDOWN);
    Button(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(Display(1), "50");
}

TEST_F(EditorWindow, WheelStepsFormOneGesture)
{
    SetFocus(editor);
    Wheel(169, 163, 1);
    Wheel(169, 163, 1);
    Wheel(169, 163, -1);
    EXPECT_EQ(Display(3), "11");
    Pump(14 * kTickMs);  // the gesture ends half a second after the last step
    EXPECT_EQ(EditRequests(), (std::vector<VstInt32>{audioMasterBeginEdit, audioMasterAutomate, audioMasterAutomate,
                                                     audioMasterAutomate, audioMasterEndEdit}));
}

TEST_F(EditorWindow, WheelForwardedByTheHost)
{
    SetFocus(hostWindow);
    Wheel(246, 163, 2);
    EXPECT_EQ(Display(4), "-15");  // 0.75 + 0.02 of 64 dB
    Pump(14 * kTickMs);
    EXPECT_EQ(EditRequests().back(), audioMasterEndEdit);
}

TEST_F(EditorWindow, RightClickListOnASwitch)
{
    Click(200, 92, true);
    Pump(kTickMs);
    HWND list = GetDlgItem(editor, 99);
    ASSERT_NE(list, nullptr);
    wchar_t className[16] = {};
    GetClassNameW(list, className, 16);
    EXPECT_EQ(std::wstring(className), L"ComboBox");
    EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    SetFocus(list);
    Key(VK_DOWN, true);
    Key(VK_DOWN, false);
    Pump(3 * kTickMs);
    EXPECT_EQ(Display(2), "Before");
    EXPECT_EQ(GetDlgItem(editor, 99), nullptr);
}

TEST_F(EditorWindow, RightClickEditOnAKnobTypeAndCancel)
{
    Click(67, 165, true);
    Pump(kTickMs);
    HWND edit = GetDlgItem(editor, 99);
    ASSERT_NE(edit, nullptr);
    wchar_t text[32] = {};
    GetWindowTextW(edit, text, 32);
    EXPECT_EQ(std::wstring(text), L"50");
    Type("73");
    Key(VK_RETURN, true);
    Key(VK_RETURN, false);
    Pump(3 * kTickMs);
    EXPECT_EQ(Display(1), "73");
    EXPECT_EQ(GetDlgItem(editor, 99), nullptr);

    host.requests.clear();
    Pump(static_cast<int>(GetDoubleClickTime()));  // a quick second right click is a double click
    Click(67, 165, true);
    Pump(kTickMs);
    ASSERT_NE(GetDlgItem(editor, 99), nullptr);
    Type("12");
    Click(300, 30, true);  // a right click cancels
    Pump(3 * kTickMs);
    EXPECT_EQ(Display(1), "73");
    EXPECT_EQ(GetDlgItem(editor, 99), nullptr);
}

TEST_F(EditorWindow, HostAutomationMovesTheKnobOnScreen)
{
    const std::vector<uint32_t> before = Shown();
    effect->setParameter(effect, 1, 1.0f);
    const std::vector<uint32_t> after = Shown();
    EXPECT_GT(Differences(before, after, kAmountKnob), 100);
    EXPECT_EQ(Differences(after, Expected(), kAmountKnob), 0);
    EXPECT_TRUE(EditRequests().empty());
}

TEST_F(EditorWindow, OpeningTwiceKeepsOneWindowInPlace)
{
    RECT first;
    GetWindowRect(editor, &first);
    EXPECT_EQ(host.Dispatch(effect, effEditOpen, 0, 0, hostWindow), 1);
    HWND again = GetWindow(hostWindow, GW_CHILD);
    EXPECT_EQ(GetWindow(again, GW_HWNDNEXT), nullptr);
    RECT second;
    GetWindowRect(again, &second);
    EXPECT_TRUE(EqualRect(&first, &second));
    editor = again;
    EXPECT_EQ(Differences(Shown(), Expected(), RECT{0, 0, kWidth, kHeight}), 0);
}

TEST_F(EditorWindow, ClosingDuringAWheelGestureEndsIt)
{
    SetFocus(editor);
    Wheel(169, 163, 1);
    EXPECT_EQ(EditRequests().back(), audioMasterAutomate);
    host.Dispatch(effect, effEditClose);
    EXPECT_EQ(EditRequests().back(), audioMasterEndEdit);
    EXPECT_EQ(GetWindow(hostWindow, GW_CHILD), nullptr);
    EXPECT_EQ(host.Dispatch(effect, effEditOpen, 0, 0, hostWindow), 1);
}

TEST_F(EditorWindow, TwoInstancesWithEditorsOpenAtOnce)
{
    HWND secondWindow = nullptr;
    AEffect* second = Open(secondWindow, 500);
    ASSERT_NE(second, nullptr);
    Pump(3 * kTickMs);
    Drag(67, 165, -86);
    EXPECT_NEAR(Value(1), 0.75f, 0.01f);
    EXPECT_EQ(second->getParameter(second, 1), 0.5f);
    host.Dispatch(second, effEditClose);
    Click(20, 92);
    EXPECT_EQ(Display(0), "Overdrive Weak");
}
