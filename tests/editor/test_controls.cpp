// Control behaviour: values, defaults, wheel and drag arithmetic, switches, sliders.
#include <gtest/gtest.h>

#include <memory>

#include "editor/value_controls.h"
#include "plug/test_effect.h"
#include "test_view.h"

using ruck::test::HostEvent;
using ruck::test::TestEffect;
using ruck::test::TestView;

namespace {

class Controls : public testing::Test {
protected:
    Controls() : owned(std::make_unique<TestView>(&plug)), view(owned.get()) {}

    template <typename T>
    T* Attach(T* control)
    {
        view->AddControl(control);
        return control;
    }

    void AttachView() { plug.AttachEditor(owned.release()); }

    IImageStrip Image(int id, int frames) { return view->LoadImage(id, "", frames); }

    TestEffect plug;
    std::unique_ptr<TestView> owned;
    TestView* view;
    ITextStyle style;
    IMouseKeys none;
    IMouseKeys shift = {0, 0, 1, 0, 0};
    IMouseKeys right = {0, 1, 0, 0, 0};
};

}  // namespace

TEST_F(Controls, KnobGearingAndDefaults)
{
    IImageStrip knob = Image(101, 1);
    style.size = 15;
    auto* amount = Attach(new IKnobRotVal(&plug, 1, 67, 165, knob, style, 5, 300, 4.0, 1.0f));
    AttachView();
    EXPECT_EQ(amount->DrawRect().left, 34);
    EXPECT_EQ(amount->DrawRect().bottom, 218);  // 66 high knob + 20 for the read-out
    EXPECT_EQ(amount->DefaultValue(), 0.5);

    // 86 pixels of height, gearing 4: 344 pixels sweep the range, ten times that with shift.
    amount->MouseDrag(0, 0, 0, -86, none);
    EXPECT_NEAR(amount->Value(), 0.75, 1e-12);
    amount->MouseDrag(0, 0, 0, -344, shift);
    EXPECT_NEAR(amount->Value(), 0.85, 1e-12);
    amount->MouseDrag(0, 0, 0, -10000, none);
    EXPECT_EQ(amount->Value(), 1.0);
    EXPECT_EQ(plug.Parameter(1)->value, 100.0);

    amount->MouseDoubleClick(0, 0, none);
    EXPECT_EQ(amount->Value(), 0.5);
    EXPECT_EQ(plug.Parameter(1)->value, 50.0);
    amount->MouseWheel(0, 0, shift, 3);
    EXPECT_NEAR(amount->Value(), 0.503, 1e-12);
}

TEST_F(Controls, SwitchStepsAndWraps)
{
    auto* four = Attach(new ISwitchLbl(&plug, IBounds{16, 85, 121, 106}, 0, style, Image(104, 4)));
    IImageStrip single = Image(103, 1);
    auto* one = Attach(new ISwitchLbl(&plug, IBounds{0, 0, 16, 16}, 2, style, single));
    AttachView();
    EXPECT_NEAR(four->Value(), 1.0 / 3.0, 1e-12);  // "Overdrive Fat"
    const double expected[] = {2.0 / 3.0, 1.0, 0.0, 1.0 / 3.0};
    for (double v : expected) {
        four->MouseDown(20, 90, none);
        EXPECT_NEAR(four->Value(), v, 1e-12);
    }
    one->MouseDown(0, 0, none);
    EXPECT_EQ(one->Value(), 1.0);
    one->MouseDown(0, 0, none);
    EXPECT_EQ(one->Value(), 0.0);
    four->MouseDown(20, 90, right);
    EXPECT_EQ(view->prompts, (std::vector<IControl*>{four}));
    EXPECT_NEAR(four->Value(), 1.0 / 3.0, 1e-12);
}

TEST_F(Controls, SliderSnapsToThePointer)
{
    IImageStrip handle = Image(103, 1);
    auto* slider = Attach(new ISlider(&plug, 10, IBounds{333, 243, 443, 278}, handle, style, 96,
                                      IArgb{80, 255, 255, 255}, 2, 1));
    AttachView();
    EXPECT_EQ(slider->Track().left, 340);
    EXPECT_EQ(slider->Track().right, 436);
    EXPECT_EQ(slider->Track().bottom, 259);
    slider->MouseDown(340 + 8, 250, none);
    EXPECT_EQ(slider->Value(), 0.0);
    slider->MouseDrag(340 + 88, 250, 80, 0, none);
    EXPECT_EQ(slider->Value(), 1.0);
    slider->MouseDrag(340 + 48, 270, 0, 20, none);  // in the text band, off the track
    EXPECT_EQ(slider->Value(), 1.0);
    slider->MouseDown(340 + 48, 270, none);
    EXPECT_EQ(slider->Value(), 1.0);
    EXPECT_TRUE(view->prompts.empty());
    slider->MouseDown(340 + 48, 270, right);
    EXPECT_EQ(view->prompts.size(), 1u);
}

TEST_F(Controls, BitmapFramesFollowTheValue)
{
    EXPECT_EQ(FrameForValue(4, 0.0), 1);
    EXPECT_EQ(FrameForValue(4, 0.1666), 1);
    EXPECT_EQ(FrameForValue(4, 0.1667), 2);
    EXPECT_EQ(FrameForValue(4, 0.4999), 2);
    EXPECT_EQ(FrameForValue(4, 0.5), 3);
    EXPECT_EQ(FrameForValue(4, 0.8334), 4);
    EXPECT_EQ(FrameForValue(4, 7.0), 4);
    EXPECT_EQ(FrameForValue(1, 0.9), 1);
    EXPECT_EQ(FrameForValue(4, -3.0), 1);
}

TEST_F(Controls, UrlControlFallsBackSilently)
{
    auto* link = Attach(new IUrlControl(&plug, IBounds{131, 15, 323, 62}, "https://a.example/",
                                        "https://b.example/", ""));
    AttachView();
    link->MouseDown(140, 20, right);
    EXPECT_EQ(view->pages, (std::vector<std::string>{"https://a.example/", "https://b.example/"}));
    view->pagesOpen = true;
    link->MouseDown(140, 20, none);
    EXPECT_EQ(view->pages.size(), 3u);
    EXPECT_TRUE(plug.host.empty());
}

TEST_F(Controls, TextEntryPushesEvenUnchanged)
{
    IImageStrip knob = Image(102, 1);
    auto* gain = Attach(new IKnobRotVal(&plug, 3, 169, 163, knob, style, 5, 300, 4.0, 1.0f));
    AttachView();
    plug.host.clear();
    gain->ValueFromTextEntry(gain->Value());
    EXPECT_EQ(plug.host, (std::vector<HostEvent>{{"automate", 3}}));
    gain->ValueFromHost(0.2);
    EXPECT_EQ(plug.host.size(), 1u);  // values from the host are not sent back
}
