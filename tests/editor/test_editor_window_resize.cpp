// Resizing the Windows editor with its window open, inside host windows of its own making.
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "editor/editor_view.h"
#include "plug/test_effect.h"

using ruck::test::TestEffect;

// The editor window, its parent and, when the parent is a plain child too, the grandparent
// grow by the change of size where they stand.
TEST(EditorWindowResize, TheWindowAndItsHostWindowsGrowByTheChange)
{
    TestEffect plug;
    IEditorView* view = CreatePlatformEditorView(&plug, 100, 80, 0);
    plug.AttachEditor(view);
    HWND top = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND middle = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 5, 5, 200, 150, top, nullptr, nullptr, nullptr);
    ASSERT_TRUE(top && middle);
    ASSERT_TRUE(view->OpenWindow(middle));
    auto size = [](HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        return std::make_pair(static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top));
    };
    const auto topBefore = size(top);
    view->Resize(130, 100);
    HWND editor = static_cast<HWND>(view->WindowHandle());
    EXPECT_EQ(size(editor), std::make_pair(130, 100));
    EXPECT_EQ(size(middle), std::make_pair(230, 170));
    EXPECT_EQ(size(top), std::make_pair(topBefore.first + 30, topBefore.second + 20));
    view->CloseWindow();
    DestroyWindow(top);
}
