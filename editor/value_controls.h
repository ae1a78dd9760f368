// The effect's controls: a knob drawn by rotating its image, a multi-state switch
// showing one frame per state, and horizontal sliders (one with a level bar). Each
// prints its parameter's value and unit in a band at the bottom of its rectangle.
#pragma once

#include "editor/control.h"

// Rotates the knob image through rangeDegrees (centred on straight up) with the value.
class IKnobRotVal : public IKnobControl {
public:
    IKnobRotVal(IEffectBase* plug, int paramIndex, int centreX, int centreY, const IImageStrip& knob,
                const ITextStyle& style, int gap, int rangeDegrees, double gearing, float weight);
    bool Draw(IEditorView& view) override;

private:
    ITextStyle style;
    IImageStrip knob;
    int centreX;
    int centreY;
    int gap;
    int rangeDegrees;
    float weight;
    IBlend knobBlend;
};

// Steps to the next state on a left click, wrapping to the first after the last.
class ISwitchLbl : public IControl {
public:
    ISwitchLbl(IEffectBase* plug, const IBounds& rect, int paramIndex, const ITextStyle& style,
               const IImageStrip& image);
    void MouseDown(int x, int y, const IMouseKeys& keys) override;
    bool Draw(IEditorView& view) override;

private:
    ITextStyle style;
    IImageStrip image;
};

// A horizontal slider whose handle centre follows the pointer along the track.
class ISliderImg : public IControl {
public:
    ISliderImg(IEffectBase* plug, int paramIndex, const IBounds& rect, const IImageStrip& handle,
               const ITextStyle& style, int trackLength);
    void MouseDown(int x, int y, const IMouseKeys& keys) override;
    void MouseDrag(int x, int y, int dX, int dY, const IMouseKeys& keys) override;
    bool Draw(IEditorView& view) override;

    const IBounds& Track() const { return track; }

protected:
    void Snap(int x);

    ITextStyle style;
    IBounds track;
    IImageStrip handle;
    int trackLength;
    int travel;
};

// A slider with a coloured bar from the track's start to the handle's centre.
class ISlider : public ISliderImg {
public:
    ISlider(IEffectBase* plug, int paramIndex, const IBounds& rect, const IImageStrip& handle,
            const ITextStyle& style, int trackLength, const IArgb& barColour, int barThickness, int barStart);
    bool Draw(IEditorView& view) override;

private:
    IArgb barColour;
    IBounds bar;
    int barTravel;
    int barThickness;
    int barStart;
};

// Draws a control's read-out: the parameter's display text and unit label, centred in
// the band of the style's size at the bottom of the rectangle.
void DrawReadout(IEditorView& view, const IControl& control, ITextStyle& style);
