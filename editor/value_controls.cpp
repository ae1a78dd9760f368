#include "value_controls.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include "editor/editor_view.h"
#include "plug/effect_base.h"
#include "plug/rounding.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

IBounds KnobRect(int cx, int cy, const IImageStrip& knob, const ITextStyle& style, int gap)
{
    const int halfH = RoundHalfAway(static_cast<float>(knob.height) * 0.5f);
    const int halfW = RoundHalfAway(static_cast<float>(knob.width) / static_cast<float>(knob.frames) * 0.5f);
    return {cx - halfW, cy - halfH, cx + halfW, cy + halfH + style.size + gap};
}

// The track (or bar) rectangle: trackLength pixels centred on the control, handle high.
IBounds CentredTrack(const IBounds& rect, const IImageStrip& handle, int trackLength)
{
    const float cx = static_cast<float>(rect.left + rect.right) * 0.5f;
    const int half = trackLength / 2;
    return {RoundHalfAway(cx - static_cast<float>(half)), rect.top, RoundHalfAway(cx + static_cast<float>(half)),
            rect.top + handle.height};
}
}  // namespace

void DrawReadout(IEditorView& view, const IControl& control, ITextStyle& style)
{
    const IParameter* parameter = view.Plug() ? view.Plug()->Parameter(control.ParamIndex()) : nullptr;
    if (parameter == nullptr || style.size <= 0) {
        return;
    }
    char text[96];
    {
        // The audio thread may be setting the value; the lock is held for the text only.
        std::lock_guard<std::recursive_mutex> guard(view.Plug()->Lock());
        parameter->FormatValue(parameter->value, false, text, sizeof text);
    }
    if (text[0] == 0) {
        return;
    }
    std::strncat(text, parameter->Label(), sizeof text - std::strlen(text) - 1);
    style.alignment = 1;
    const IBounds& rect = control.DrawRect();
    view.DrawLabel(style, text, IBounds{rect.left, rect.bottom - style.size, rect.right, rect.bottom});
}

IKnobRotVal::IKnobRotVal(IEffectBase* plug, int paramIndex, int centreX, int centreY, const IImageStrip& knob,
                         const ITextStyle& style, int gap, int rangeDegrees, double gearing, float weight)
    : IKnobControl(plug, KnobRect(centreX, centreY, knob, style, gap), paramIndex, gearing),
      style(style),
      knob(knob),
      centreX(centreX),
      centreY(centreY),
      gap(gap),
      rangeDegrees(rangeDegrees),
      weight(weight)
{
}

bool IKnobRotVal::Draw(IEditorView& view)
{
    knobBlend = IBlend{0, weight};
    DrawReadout(view, *this, style);
    const float a = static_cast<float>(rangeDegrees * kPi / 360.0);
    const float b = static_cast<float>(-rangeDegrees * kPi / 360.0);
    const double angle = a * value * 2.0 + b;
    const float s = static_cast<float>(-(std::fabs(value - 0.5) * 2.0));
    return view.DrawRotated(knob, centreX, centreY, angle, &knobBlend, s, s);
}

ISwitchLbl::ISwitchLbl(IEffectBase* plug, const IBounds& rect, int paramIndex, const ITextStyle& style,
                       const IImageStrip& image)
    : IControl(plug, rect, paramIndex), style(style), image(image)
{
}

void ISwitchLbl::MouseDown(int, int, const IMouseKeys& keys)
{
    if (keys.right) {
        PromptForValue();
        return;
    }
    value += image.frames >= 2 ? 1.0 / (image.frames - 1) : 1.0;
    if (value > 1.001) {
        value = 0.0;
    }
    MarkDirty(true);
}

bool ISwitchLbl::Draw(IEditorView& view)
{
    DrawReadout(view, *this, style);
    const int frameHeight = RoundHalfAway(static_cast<float>(image.height) / static_cast<float>(image.frames));
    const IBounds dest = {drawRect.left, drawRect.top, drawRect.left + image.width, drawRect.top + frameHeight};
    return view.DrawFrame(image, dest, FrameForValue(image.frames, value), &blend, true);
}

ISliderImg::ISliderImg(IEffectBase* plug, int paramIndex, const IBounds& rect, const IImageStrip& handle,
                       const ITextStyle& style, int trackLength)
    : IControl(plug, rect, paramIndex),
      style(style),
      track(CentredTrack(rect, handle, trackLength)),
      handle(handle),
      trackLength(trackLength),
      travel(trackLength - handle.width)
{
}

void ISliderImg::MouseDown(int x, int y, const IMouseKeys& keys)
{
    if (keys.right) {
        PromptForValue();
    } else if (track.Contains(x, y)) {
        Snap(x);
    }
}

void ISliderImg::MouseDrag(int x, int y, int, int, const IMouseKeys&)
{
    if (track.Contains(x, y)) {
        Snap(x);
    }
}

void ISliderImg::Snap(int x)
{
    const float halfHandle = static_cast<float>(handle.width) * 0.5f;
    value = (x - track.left - static_cast<double>(halfHandle)) / travel;
    MarkDirty(true);
}

bool ISliderImg::Draw(IEditorView& view)
{
    DrawReadout(view, *this, style);
    const double p = track.left + static_cast<double>(travel) * value;
    const IBounds dest = {RoundHalfAway(p), track.top, RoundHalfAway(p + handle.width), drawRect.bottom};
    return view.DrawFrame(handle, dest, 1, &blend, true);
}

ISlider::ISlider(IEffectBase* plug, int paramIndex, const IBounds& rect, const IImageStrip& handle,
                 const ITextStyle& style, int trackLength, const IArgb& barColour, int barThickness, int barStart)
    : ISliderImg(plug, paramIndex, rect, handle, style, trackLength),
      barColour(barColour),
      bar(CentredTrack(rect, handle, trackLength)),
      barTravel(trackLength - handle.width),
      barThickness(barThickness),
      barStart(barStart)
{
}

bool ISlider::Draw(IEditorView& view)
{
    const double e = barTravel * value + handle.width / 2;
    if (e > barStart) {
        const float m = static_cast<float>(bar.top + bar.bottom) * 0.5f;
        const float t = static_cast<float>(barThickness / 2);
        const IBounds fill = {bar.left + barStart, RoundHalfAway(m - t), RoundHalfAway(bar.left + e),
                              RoundHalfAway(m + t)};
        view.FillArea(barColour, fill, nullptr);
    }
    return ISliderImg::Draw(view);
}
