// What the plug-in base and the host binding need from an attached editor view: value
// pushes, the wheel-gesture countdown, its window and its size.
#pragma once

#include <cstdint>

class IAttachedView {
public:
    virtual ~IAttachedView() = default;

    // Moves every control bound to the parameter; a plain value is mapped to 0..1 first.
    // Called from any thread, the audio thread too, under the plug-in's lock: never waits.
    virtual void SetControlsFromParam(int index, double value, bool normalized) = 0;
    // Counts down timer ticks, then asks the plug-in to end the pending wheel gesture; the
    // count is safe to start or cancel from any thread.
    virtual void StartGestureCountdown(int ticks) = 0;
    virtual void CancelGestureCountdown() = 0;
    // Creates the surface controls draw into, at the view's size.
    virtual void PrepareBackBuffer() = 0;
    // Redraw timer ticks per second.
    virtual int FrameRate() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Opens the editor window inside the host's window; true when one was opened.
    virtual bool OpenWindow(void* parent) = 0;
    virtual void CloseWindow() = 0;
    // A wheel the host forwards; 1 when the pointer is over the editor window, else 0.
    virtual int HostWheel(float amount) = 0;
    // The host's regular idle call from its user-interface thread; views that keep a
    // timer of their own ignore it.
    virtual void Idle() {}
    // A file descriptor that turns readable when the window has input waiting, for hosts
    // whose run loop watches it and then calls Idle; -1 when the view has none.
    virtual int EventDescriptor() const { return -1; }
    // Paints the whole face and copies it, 0xAARRGGBB top row first, into pixels of the
    // view's size; false when the size differs or nothing could be drawn.
    virtual bool Snapshot(uint32_t* pixels, int width, int height) = 0;
};
