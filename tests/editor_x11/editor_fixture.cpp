#include "editor_fixture.h"

#include "edit_gestures.h"

FaceMirror::FaceMirror()
    : effect(std::make_unique<VSTCLASS>(nullptr)), view(static_cast<IEditorView*>(effect->EditorView()))
{
}

void FaceMirror::SetParameter(int index, float value)
{
    effect->Effect()->setParameter(effect->Effect(), index, value);
}

float FaceMirror::Parameter(int index)
{
    return effect->Effect()->getParameter(effect->Effect(), index);
}

std::vector<uint32_t> FaceMirror::Render()
{
    view->PaintArea(IBounds{0, 0, kFaceWidth, kFaceHeight});
    RasterBitmap* buffer = view->BackBuffer();
    std::vector<uint32_t> pixels;
    for (int y = 0; y < kFaceHeight; ++y) {
        for (int x = 0; x < kFaceWidth; ++x) {
            pixels.push_back(buffer->Pixels()[y * buffer->StridePixels() + x] & 0xFFFFFF);
        }
    }
    return pixels;
}

IMouseKeys FaceMirror::Left(bool shift)
{
    IMouseKeys keys;
    keys.left = 1;
    keys.shift = shift ? 1 : 0;
    return keys;
}

int Mismatches(const std::vector<uint32_t>& seen, const std::vector<uint32_t>& expected)
{
    if (seen.size() != expected.size()) {
        return static_cast<int>(std::max(seen.size(), expected.size()));
    }
    int differing = 0;
    for (size_t i = 0; i < seen.size(); ++i) {
        differing += seen[i] != expected[i] ? 1 : 0;
    }
    return differing;
}

void LinuxEditor::SetUp()
{
    ASSERT_TRUE(server.Running());
    host = std::make_unique<X11Host>();
    ASSERT_TRUE(host->Ready());
    parent = host->MakeWindow(kHostX, kHostY, 500, 340);
    effect = host->OpenInstance();
    ASSERT_NE(effect, nullptr);
    ASSERT_TRUE(host->OpenEditor(effect, parent));
    host->IdleFor(150);
    host->ClearRequests();
}

// Every test's gestures, however they went, must reach the host balanced.
void LinuxEditor::TearDown()
{
    if (host == nullptr || effect == nullptr) {
        return;
    }
    host->Dispatch(effect, effEditClose);
    std::vector<LoggedRequest> mine;
    for (const LoggedRequest& r : host->Requests()) {
        if (r.effect == effect) {
            mine.push_back(r);
        }
    }
    EXPECT_EQ(EditGestureFault(mine, true), "");
}

std::string LinuxEditor::At(int x, int y)
{
    return std::to_string(kHostX + x) + " " + std::to_string(kHostY + y);
}

Window LinuxEditor::Editor()
{
    const std::vector<Window> children = host->Children(parent);
    return children.size() == 1 ? children[0] : 0;
}

int LinuxEditor::DifferencesFromMirror()
{
    host->IdleFor(150);
    return Mismatches(host->Pixels(Editor(), kFaceWidth, kFaceHeight), mirror.Render());
}
