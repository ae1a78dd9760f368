// The editor on Linux: a child X window in the host's window with the same input rules
// as the Windows editor, redrawn on the host's idle calls at the view's frame rate (or
// by a fallback thread when those stop), with an in-place value entry of its own drawing
// and web links through xdg-open. All X work happens under the view's own lock on a
// private connection, never under the plug-in's.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <memory>

#include "editor/editor_view.h"
#include "editor/idle_fallback.h"
#include "editor/x11_connection.h"
#include "editor/x11_pixel_window.h"
#include "editor/x11_text_entry.h"

class IEditorViewX11 : public IEditorView {
public:
    IEditorViewX11(IEffectBase* plug, int width, int height, int frameRate);
    ~IEditorViewX11() override;

    bool ShowArea(const IBounds& area) override;
    void Resize(int newWidth, int newHeight) override;
    void PromptForParameter(IControl* control, IParameter* parameter) override;
    bool OpenWebPage(const char* address, const char* title, const char* confirmText,
                     const char* errorText) override;
    int HostWheel(float amount) override;
    bool OpenWindow(void* parent) override;
    void CloseWindow() override;
    void Idle() override;
    int EventDescriptor() const override;
    void* WindowHandle() override;
    RasterBitmap* LoadImageResource(int id, const char* fileName) override;

    // The open text entry, or null.
    const InPlaceEntry* TextEntry() const { return entry.get(); }

protected:
    void RedrawDirty() override;
    std::string TextEntryText() override;
    void DestroyTextEntry() override;

private:
    using Clock = std::chrono::steady_clock;

    IBounds PlaceForOpen();
    void FallbackBeat();
    void Work();
    void PumpEvents();
    void HandleEvent(XEvent& event);
    void HandleEditorEvent(XEvent& event);
    void HandleEntryEvent(XEvent& event);
    void OnButtonPress(const XButtonEvent& press);
    void OnButtonRelease(const XButtonEvent& release);
    void OnKeyPress(XKeyEvent& key);
    bool IsDoubleClick(const XButtonEvent& press);
    void TickIfDue();
    // Draws the controls over the area into the back buffer and shows it.
    void Repaint(const IBounds& area);
    void ShowEntry();
    void TakeFocus(Window target);

    X11Connection connection;
    X11PixelWindow window;
    X11PixelWindow entryWindow;
    std::unique_ptr<InPlaceEntry> entry;
    Window focusBeforeEntry = None;
    bool captured = false;
    bool lastPressPairs = false;  // the last left press may start a double click
    Time lastPressTime = 0;
    int lastPressX = 0;
    int lastPressY = 0;
    std::chrono::milliseconds tickPeriod;
    Clock::time_point nextTick;
    Clock::time_point lastHostIdle;
    IdleFallback fallback;
};
