// The editor on Linux. It draws the same face into its back buffer; until it has a
// native window of its own it opens none, so hosts see no editor window.
#pragma once

#include "editor/editor_view.h"

class IEditorViewX11 : public IEditorView {
public:
    IEditorViewX11(IEffectBase* plug, int width, int height, int frameRate);

    bool ShowArea(const IBounds&) override { return true; }
    void PromptForParameter(IControl*, IParameter*) override {}
    bool OpenWebPage(const char*, const char*, const char*, const char*) override { return false; }
    void StartGestureCountdown(int ticks) override;
    void CancelGestureCountdown() override {}
    bool OpenWindow(void*) override { return false; }
    void CloseWindow() override {}
    void* WindowHandle() override { return nullptr; }
    RasterBitmap* LoadImageResource(int id, const char* fileName) override;
};
