// Ruckstone's face: the seven images, two text styles and thirteen controls at their
// fixed places on the 454 x 296 background.
#include "ruckstone.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "editor/editor_view.h"
#include "editor/value_controls.h"
#include "plug/rounding.h"

namespace {
constexpr int kEditorWidth = 454;
constexpr int kEditorHeight = 296;

enum ImageId {
    kBackgroundId = 100,
    kKnobId = 101,
    kSmallKnobId = 102,
    kSliderId = 103,
    kAlgorithmSwitchId = 104,
    kFoldbackSwitchId = 105,
    kAntialiasSwitchId = 106,
};

constexpr int kValueGap = 5;
constexpr int kKnobRange = 300;
constexpr double kKnobGearing = 4.0;
constexpr int kTrackLength = 96;

const char kProductPage[] = "https://tolvi.audio/ruckstone/";
const char kMakerSite[] = "https://tolvi.audio/";

ITextStyle MakeStyle(int size, const IArgb& colour, int alignment)
{
    ITextStyle style;
    std::strcpy(style.face, "Arial");
    style.size = size;
    style.colour = colour;
    style.alignment = alignment;
    return style;
}

// Makes a control and adds it to the face. A control that cannot be made or added (memory ran
// out) fails the construction of the whole effect, which the entry point answers with null.
template <class Control, class... Args>
void AddOrFail(IEditorView& view, Args&&... args)
{
    if (view.AddControl(new (std::nothrow) Control(std::forward<Args>(args)...)) < 0) {
        throw std::bad_alloc();
    }
}

// A switch's rectangle: given left and top, the image's width, one frame high.
IBounds SwitchRect(int left, int top, int base, const IImageStrip& image, const ITextStyle& style)
{
    const int frameHeight = RoundHalfAway(static_cast<float>(image.height) / static_cast<float>(image.frames));
    return {left, top, left + image.width, base + frameHeight + style.size};
}
}  // namespace

void VSTCLASS::BuildEditor()
{
    std::unique_ptr<IEditorView> view(CreatePlatformEditorView(this, kEditorWidth, kEditorHeight, 0));
    if (!view->SetBackground(kBackgroundId, "img/bg.png")) {
        throw std::bad_alloc();
    }
    AddOrFail<IUrlControl>(*view, this, IBounds{131, 15, 323, 62}, kProductPage, kMakerSite, "");

    const ITextStyle valueStyle = MakeStyle(15, IArgb{230, 255, 255, 255}, 0);
    const ITextStyle switchStyle = MakeStyle(0, IArgb{255, 0, 0, 0}, 1);
    const IImageStrip smallKnob = view->LoadImage(kSmallKnobId, "img/knob2.png", 1);

    const IImageStrip algorithm = view->LoadImage(kAlgorithmSwitchId, "img/select1.png", 4);
    AddOrFail<ISwitchLbl>(*view, this, SwitchRect(16, 85, 90, algorithm, switchStyle), kAlgorithm, switchStyle,
                          algorithm);
    const IImageStrip foldback = view->LoadImage(kFoldbackSwitchId, "img/select2.png", 3);
    AddOrFail<ISwitchLbl>(*view, this, SwitchRect(196, 84, 89, foldback, switchStyle), kFoldback, switchStyle,
                          foldback);

    const IImageStrip knob = view->LoadImage(kKnobId, "img/knob.png", 1);
    AddOrFail<IKnobRotVal>(*view, this, kAmount, 67, 165, knob, valueStyle, kValueGap, kKnobRange, kKnobGearing,
                           1.0f);
    const struct {
        int param;
        int centreX;
    } smallKnobs[] = {{kGain, 169}, {kThreshold, 246}, {kFlipThresh, 324}, {kMultiply, 398}};
    for (const auto& k : smallKnobs) {
        AddOrFail<IKnobRotVal>(*view, this, k.param, k.centreX, 163, smallKnob, valueStyle, kValueGap, kKnobRange,
                               kKnobGearing, 1.0f);
    }

    view->LoadImage(kSliderId, "img/slider.png", 1);
    const IArgb barColour = {80, 255, 255, 255};
    const struct {
        int param;
        IBounds rect;
    } sliders[] = {{kRound, {122, 243, 232, 277}}, {kPan, {227, 243, 337, 278}}, {kMix, {333, 243, 443, 278}}};
    for (const auto& s : sliders) {
        const IImageStrip handle = view->LoadImage(kSliderId, "img/slider.png", 1);
        AddOrFail<ISlider>(*view, this, s.param, s.rect, handle, valueStyle, kTrackLength, barColour, 2, 1);
    }

    const IImageStrip antialias = view->LoadImage(kAntialiasSwitchId, "img/select3.png", 4);
    AddOrFail<ISwitchLbl>(*view, this, SwitchRect(43, 244, 249, antialias, switchStyle), kAntialias, switchStyle,
                          antialias);
    AttachEditor(view.release());
}
