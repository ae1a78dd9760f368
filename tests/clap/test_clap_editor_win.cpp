// Ruckstone.clap's editor on Windows: embedded as a child of a host window and dragged with
// real input (SendInput); the host hears one balanced gesture with its values, and hiding,
// showing and destroying the editor take its window away and back.
#include <gtest/gtest.h>
#include <windows.h>

#include "clap_host.h"
#include "editor_drag_check.h"
#include "win_input.h"

namespace {
constexpr int kWidth = 454;
constexpr int kHeight = 296;
constexpr int kTickMs = 42;
constexpr clap::Id kAmount = 1;
constexpr int kAmountX = 67;
constexpr int kAmountY = 165;
constexpr int kDragPixels = 43;
constexpr double kDraggedAbove = 50.0;

TEST(ClapEditorWin, EmbeddedEditorSendsOneGesturePerDrag)
{
    ClapFile file(RUCK_CLAP_PATH);
    ASSERT_TRUE(file.Loaded()) << file.Error();
    ClapInstance plug(file);
    ASSERT_TRUE(plug.Ok()) << plug.Error();
    ASSERT_NE(plug.gui, nullptr);
    const HWND host = CreateHostWindow(L"RuckClapHost", DefWindowProcW, 0, kWidth, kHeight);
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(plug.gui->create(plug.plugin, clap::kWindowApiWin32, false));
    clap::Window window = {clap::kWindowApiWin32, {}};
    window.win32 = host;
    ASSERT_TRUE(plug.gui->set_parent(plug.plugin, &window));
    ASSERT_TRUE(plug.gui->show(plug.plugin));
    const HWND editor = GetWindow(host, GW_CHILD);
    ASSERT_NE(editor, nullptr);
    PumpMessages(3 * kTickMs);

    DragMouse(editor, kAmountX, kAmountY, -kDragPixels);
    PumpMessages(3 * kTickMs);
    ExpectOneDragOf(plug, kAmount, kDraggedAbove);

    ASSERT_TRUE(plug.gui->hide(plug.plugin));
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    ASSERT_TRUE(plug.gui->show(plug.plugin));
    EXPECT_NE(GetWindow(host, GW_CHILD), nullptr);
    PumpMessages(kTickMs);
    plug.gui->destroy(plug.plugin);
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    DestroyWindow(host);
}
}  // namespace
