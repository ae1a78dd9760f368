// The fixture of the Linux editor tests: a private X server, a host window at a known
// place with the editor open in it, and the same face offscreen to predict its pixels.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "editor/editor_view.h"
#include "effect/ruckstone.h"
#include "x11_host.h"
#include "x_server.h"

constexpr int kFaceWidth = 454;
constexpr int kFaceHeight = 296;

// Ruckstone's face without a window, driven through the view's entry points.
class FaceMirror {
public:
    FaceMirror();
    IEditorView& View() { return *view; }
    void SetParameter(int index, float value);
    float Parameter(int index);
    // The whole face painted now, as 0xRRGGBB pixels.
    std::vector<uint32_t> Render();

    static IMouseKeys Left(bool shift = false);

private:
    std::unique_ptr<VSTCLASS> effect;
    IEditorView* view;
};

// Pixels that differ between two pictures of the face (all of them when sizes differ).
int Mismatches(const std::vector<uint32_t>& seen, const std::vector<uint32_t>& expected);

class LinuxEditor : public testing::Test {
public:
    static constexpr int kHostX = 20;
    static constexpr int kHostY = 30;

    // Screen coordinates of an editor point, as xdotool words.
    static std::string At(int x, int y);

protected:

    explicit LinuxEditor(const std::vector<std::string>& serverArgs = {}) : server(serverArgs) {}
    void SetUp() override;
    void TearDown() override;

    float Param(int index) { return effect->getParameter(effect, index); }
    Window Editor();
    // Editor pixels that differ from the mirror's picture after the next redraws.
    int DifferencesFromMirror();
    int Count(VstInt32 opcode) { return static_cast<int>(host->Requests(effect, opcode).size()); }

    XvfbServer server;
    std::unique_ptr<X11Host> host;
    Window parent = 0;
    AEffect* effect = nullptr;
    FaceMirror mirror;
};
