// Ruckstone.clap's editor on Windows: embedded as a child of a host window and dragged with
// real input (SendInput); the host hears one balanced gesture with its values, and hiding,
// showing and destroying the editor take its window away and back.
#include <gtest/gtest.h>
#include <windows.h>

#include "clap_host.h"
#include "editor_drag_check.h"
#include "face_points.h"
#include "win_input.h"

namespace {
constexpr clap::Id kAmount = 1;

TEST(ClapEditorWin, EmbeddedEditorSendsOneGesturePerDrag)
{
    ClapFile file(RUCK_CLAP_PATH);
    ASSERT_TRUE(file.Loaded()) << file.Error();
    ClapInstance plug(file);
    ASSERT_TRUE(plug.Ok()) << plug.Error();
    ASSERT_NE(plug.gui, nullptr);
    ASSERT_TRUE(plug.gui->create(plug.plugin, clap::kWindowApiWin32, false));
    uint32_t width = 0;
    uint32_t height = 0;
    ASSERT_TRUE(plug.gui->get_size(plug.plugin, &width, &height));
    const HWND host = CreateHostWindow(L"RuckClapHost", DefWindowProcW, 0, static_cast<int>(width),
                                       static_cast<int>(height));
    ASSERT_NE(host, nullptr);
    clap::Window window = {clap::kWindowApiWin32, {}};
    window.win32 = host;
    ASSERT_TRUE(plug.gui->set_parent(plug.plugin, &window));
    ASSERT_TRUE(plug.gui->show(plug.plugin));
    const HWND editor = GetWindow(host, GW_CHILD);
    ASSERT_NE(editor, nullptr);
    PumpMessages(3 * kEditorTickMs);

    DragMouse(editor, kAmountKnobX, kAmountKnobY, -kAmountDragPixels);
    PumpMessages(3 * kEditorTickMs);
    ExpectOneDragOf(plug, kAmount, kDraggedAbove);

    ASSERT_TRUE(plug.gui->hide(plug.plugin));
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    ASSERT_TRUE(plug.gui->show(plug.plugin));
    EXPECT_NE(GetWindow(host, GW_CHILD), nullptr);
    PumpMessages(kEditorTickMs);
    plug.gui->destroy(plug.plugin);
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    DestroyWindow(host);
}
}  // namespace
