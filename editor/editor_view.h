// The platform-independent editor: the control list, the back buffer controls draw
// into, mouse and key dispatch with capture, gesture traffic with the plug-in, and the
// drawing operations controls use. A platform class supplies the window.
//
// Threads: the controls, the back buffer and the window belong to the editor's own thread
// (the host's user-interface thread, or a fallback timer's), serialised by the view's own
// lock. Values the host sets, from any thread and the audio thread too, wait in one atomic
// slot per parameter until that thread applies them; the plug-in's lock is taken only for
// short work on its state, never across drawing or a window-system call.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "editor/editor_types.h"
#include "plug/effect_base.h"
#include "plug/grow_buffer.h"
#include "plug/attached_view.h"
#include "raster/dib_bitmap.h"

class IControl;

// What an in-place entry for a parameter shows, centred on its control: the list of the
// value texts of an enumeration, or an edit box wide enough for the parameter's widest value.
struct ITextEntryLayout {
    int centreX = 0;
    int centreY = 0;
    bool list = false;
    std::vector<std::string> items;  // list: the value texts in order
    int selected = -1;               // list: the last item equal to the current text
    int editWidth = 0;               // edit box: pixels
    std::string current;             // the parameter's display text now
};

ITextEntryLayout LayoutTextEntry(const IControl& control, const IParameter& parameter);

class IEditorView : public IAttachedView {
public:
    static constexpr int kDefaultFrameRate = 24;

    IEditorView(IEffectBase* plug, int width, int height, int frameRate);
    ~IEditorView() override;

    // Platform operations.
    // Copies a rectangle of the back buffer to the screen.
    virtual bool ShowArea(const IBounds& area) = 0;
    // Changes the editor's size: the controls are deleted (the face is built anew for the new
    // size), gestures and an open text entry end, the plug-in is told and the back buffer
    // follows. The platforms grow the open window (and the host's windows around it) too.
    virtual void Resize(int newWidth, int newHeight);
    virtual bool IsWindowOpen() { return WindowHandle() != nullptr; }
    // Opens an in-place text entry (edit box or list) for a control's parameter.
    virtual void PromptForParameter(IControl* control, IParameter* parameter) = 0;
    // Opens a web page in the browser; texts may be null. True when the browser started.
    virtual bool OpenWebPage(const char* address, const char* title, const char* confirmText,
                             const char* errorText) = 0;
    int HostWheel(float amount) override;
    virtual void* WindowHandle() = 0;
    virtual RasterBitmap* LoadImageResource(int id, const char* fileName) = 0;

    // What the plug-in base calls.
    void SetControlsFromParam(int index, double value, bool normalized) override;
    void StartGestureCountdown(int ticks) override { gestureEndCountdown = ticks; }
    void CancelGestureCountdown() override { gestureEndCountdown = 0; }
    // Moves the controls to the values the host set since the last call; editor thread only.
    void ApplyHostValues();
    void PrepareBackBuffer() override;
    bool Snapshot(uint32_t* pixels, int width, int height) override;
    int FrameRate() const override { return frameRate; }
    int Width() const override { return width; }
    int Height() const override { return height; }

    // Building the editor. AddControl takes ownership and returns the control's index, or -1
    // when the control is null or the list cannot grow (the control is then deleted).
    int AddControl(IControl* control);
    // Puts a bitmap control with the image under every other control; false when it cannot.
    bool SetBackground(int id, const char* fileName);
    IImageStrip LoadImage(int id, const char* fileName, int frames);
    IImageStrip CropImage(const IImageStrip& image, const IBounds& area);

    // Drawing, clipped to the area being redrawn.
    bool DrawFrame(const IImageStrip& image, const IBounds& dest, int frame, const IBlend* blend,
                   bool framesVertical);
    bool DrawImageAt(const IImageStrip& image, const IBounds& dest, int srcX, int srcY, const IBlend* blend);
    bool DrawRotated(const IImageStrip& image, int centreX, int centreY, double angle, const IBlend* blend,
                     float srcX, float srcY);
    bool FillArea(const IArgb& colour, const IBounds& area, const IBlend* blend);
    bool DrawLabel(ITextStyle& style, const char* text, const IBounds& area);

    // The redraw cycle.
    bool CollectDirty(IBounds& out) const;
    bool PaintArea(const IBounds& area);
    void MarkAllDirty();

    // Input, in editor coordinates.
    int ControlAt(int x, int y) const;
    void MouseDown(int x, int y, const IMouseKeys& keys);
    void MouseUp(int x, int y, const IMouseKeys& keys);
    void MouseDrag(int x, int y, const IMouseKeys& keys);
    void MouseDoubleClick(int x, int y, const IMouseKeys& keys);
    void MouseWheel(int x, int y, const IMouseKeys& keys, int steps);
    void KeyDown(int x, int y, int key);
    void ApplyEnteredText(IControl* control, const IParameter* parameter, const char* text);

    IEffectBase* Plug() const { return plug; }
    IControl* Control(int index) const { return controls.Get(index); }
    int ControlCount() const { return controls.Count(); }
    RasterBitmap* BackBuffer() const { return backBuffer.get(); }
    int CaptureIndex() const { return captureIndex; }

protected:
    enum TextEntryState { kEntryIdle = 0, kEntryTyping = 1, kEntryCancel = 2, kEntryCommit = 3 };

    void ResetMouse();
    std::recursive_mutex& ViewLock() { return viewLock; }
    // The entry's layout for a control, its current text read under the plug-in's lock.
    ITextEntryLayout EntryLayout(const IControl& control, const IParameter& parameter);
    // The host hears one begin-edit and one end-edit per mouse gesture, for the parameter
    // the gesture began on, however the buttons, the window and text entries interleave.
    void BeginMouseGesture(int param);
    void EndMouseGesture();
    // A closing window ends the gestures the host was told began: the mouse's and the wheel's.
    void EndGesturesForClose();
    void SnapToSteppedParameter(IControl& control);
    // Ends the gestures the host was told began and drops an open text entry unapplied, as
    // closing the window or deleting the controls needs.
    void EndGesturesAndEntry();
    // True when the host leaves it to the editor to take the keyboard focus, on opening and
    // on a click.
    bool TakesFocus() const;
    // One timer tick of an open window: a requested commit or cancel of the text entry,
    // the redraw of dirty controls, then the wheel-gesture countdown.
    void TimerTick();
    // Applies nothing; asks the control to send its value again and redraw, and closes.
    void FinishTextEntry();
    void RememberTextEntry(IControl* control, IParameter* parameter);
    // Forgets the entry's control and state (its window is the platform's to destroy).
    void DropTextEntry();
    bool TextEntryOpen() const { return entryControl != nullptr; }

    // Platform parts of the tick and of the text entry.
    virtual void RedrawDirty() = 0;
    virtual std::string TextEntryText() = 0;
    // Destroys the entry's window, when there is one, without applying it.
    virtual void DestroyTextEntry() = 0;

    IPtrList<IControl> controls;
    IEffectBase* plug;
    IBounds drawArea;
    std::unique_ptr<DibBitmap> backBuffer;
    int width;
    int height;
    int frameRate;
    int captureIndex = -1;
    int lastMouseX = -1;
    int lastMouseY = -1;
    IControl* entryControl = nullptr;
    IParameter* entryParameter = nullptr;
    int textEntryState = kEntryIdle;
    std::atomic<int> gestureEndCountdown{0};
    int mouseGestureParam = -1;

private:
    void MoveControlsOf(int index, double value);

    std::recursive_mutex viewLock;
    // Normalised values the host set, per parameter; NaN where none waits.
    std::unique_ptr<std::atomic<double>[]> hostValues;
    int hostValueCount = 0;
    std::atomic<bool> hostValuesWaiting{false};
};

// The editor view of this platform: a Win32 child window on Windows, the X11 stand-in
// elsewhere; images come from the resources of the module this code is linked into.
IEditorView* CreatePlatformEditorView(IEffectBase* plug, int width, int height, int frameRate);

// The control key code for a Windows virtual-key code, or -1 when the key is not mapped.
int KeyCodeForVirtualKey(int virtualKey);
