// The base of every editor element (rectangle, parameter binding, normalised value,
// redraw flags, default mouse reactions) and the framework's plain controls: the
// background image, the web-link hot spot and the vertical-drag knob base.
#pragma once

#include "editor/editor_types.h"

class IEditorView;
class IEffectBase;
struct IParameter;

class IControl {
public:
    IControl(IEffectBase* plug, const IBounds& rect, int paramIndex = -1);
    virtual ~IControl() = default;
    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;

    virtual void MouseDown(int x, int y, const IMouseKeys& keys);
    virtual void MouseUp(int x, int y, const IMouseKeys& keys);
    virtual void MouseDrag(int x, int y, int dX, int dY, const IMouseKeys& keys);
    virtual void MouseDoubleClick(int x, int y, const IMouseKeys& keys);
    virtual void MouseWheel(int x, int y, const IMouseKeys& keys, int steps);
    virtual void KeyDown(int x, int y, int key);
    virtual bool Draw(IEditorView& view) = 0;
    // A value from the plug-in side: not sent back; the first one becomes the default.
    virtual void ValueFromHost(double v);
    // A typed value: always pushed to the plug-in, changed or not.
    virtual void ValueFromTextEntry(double v);
    virtual void SetHidden(bool hide);
    virtual void SetGreyed(bool grey);
    virtual bool HitTest(int x, int y) const;
    // Clamps the value, asks for a redraw and, with push, sends the value to the plug-in.
    virtual void MarkDirty(bool push);
    virtual void MarkClean();
    virtual bool NeedsRedraw() const { return redraw != 0; }

    // Asks the view for a text entry for this control's parameter.
    void PromptForValue();

    int ParamIndex() const { return paramIndex; }
    double Value() const { return value; }
    double DefaultValue() const { return defaultValue; }
    const IBounds& DrawRect() const { return drawRect; }
    const IBounds& TargetRect() const { return targetRect; }
    bool Hidden() const { return hidden != 0; }
    bool Greyed() const { return greyed != 0; }
    const IBlend& Blend() const { return blend; }
    void SetPendingRedraw() { pendingRedraw = 1; }

protected:
    IEditorView* View() const;
    const IParameter* Parameter() const;

    IEffectBase* plug;
    IBounds drawRect;
    IBounds targetRect;
    int paramIndex;
    double value = 0.0;
    double defaultValue = -1.0;
    double clampLow = 0.0;
    double clampHigh = 1.0;
    uint8_t redraw = 1;
    uint8_t hidden = 0;
    uint8_t greyed = 0;
    uint8_t pendingRedraw = 0;
    IBlend blend;
};

// A control dragged up and down; gearing is how many control heights sweep the range.
class IKnobControl : public IControl {
public:
    IKnobControl(IEffectBase* plug, const IBounds& rect, int paramIndex, double gearing);
    void MouseDrag(int x, int y, int dX, int dY, const IMouseKeys& keys) override;

protected:
    double gearing;
};

// One frame of a multi-frame image chosen by the value; the editor's background.
class IBitmapControl : public IControl {
public:
    IBitmapControl(IEffectBase* plug, const IImageStrip& image, bool framesVertical, const IBlend& blend);
    bool Draw(IEditorView& view) override;

private:
    bool framesVertical;
    IImageStrip image;
};

// An invisible hot spot that opens a web page, or its fallback, on any click.
class IUrlControl : public IControl {
public:
    IUrlControl(IEffectBase* plug, const IBounds& rect, const char* address, const char* fallbackAddress,
                const char* title);
    void MouseDown(int x, int y, const IMouseKeys& keys) override;
    bool Draw(IEditorView&) override { return true; }

private:
    char address[256] = {};
    char fallbackAddress[256] = {};
    char title[1024] = {};
};

// The frame of an n-frame strip shown for a normalised value: 1 for a single frame,
// else nearest((n - 1) * value) + 1 held to 1..n.
int FrameForValue(int frames, double value);
