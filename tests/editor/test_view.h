// An editor view without a window for tests: records what it shows and what controls
// ask of it, and runs its timer ticks on demand.
#pragma once

#include <string>
#include <vector>

#include "editor/editor_view.h"
#include "raster/png_loader.h"

namespace ruck::test {

class TestView : public IEditorView {
public:
    TestView(IEffectBase* plug, int width = 454, int height = 296, int frameRate = 0)
        : IEditorView(plug, width, height, frameRate)
    {
    }

    bool ShowArea(const IBounds& area) override
    {
        shown.push_back(area);
        return true;
    }
    void PromptForParameter(IControl* control, IParameter*) override { prompts.push_back(control); }
    bool OpenWebPage(const char* address, const char*, const char*, const char*) override
    {
        pages.emplace_back(address);
        return pagesOpen;
    }
    bool OpenWindow(void*) override { return false; }
    void CloseWindow() override {}
    void* WindowHandle() override { return nullptr; }
    void RedrawDirty() override
    {
        IBounds dirty;
        if (CollectDirty(dirty)) {
            PaintArea(dirty);
        }
    }
    std::string TextEntryText() override { return std::string(); }
    void DestroyTextEntry() override {}
    // The images are resources of the test executable (Windows) or the library (Linux).
    RasterBitmap* LoadImageResource(int id, const char*) override
    {
        ++imageLoads;
        return LoadPngFromResource(nullptr, id, nullptr);
    }

    void Tick() { TimerTick(); }
    int Countdown() const { return gestureEndCountdown; }

    std::vector<IBounds> shown;
    std::vector<IControl*> prompts;
    std::vector<std::string> pages;
    bool pagesOpen = false;
    int imageLoads = 0;
};

}  // namespace ruck::test
