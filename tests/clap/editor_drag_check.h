// What a CLAP host hears of one knob drag in Ruckstone's editor, the same on every window
// system: a flush request, then gesture begin, values and gesture end of that parameter
// alone, balanced, the last value being the parameter's new one.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "clap_host.h"
#include "edit_gestures.h"

inline clap::Id EventParam(const clap::EventHeader* event)
{
    return event->type == clap::kEventParamValue
               ? reinterpret_cast<const clap::EventParamValue*>(event)->param_id
               : reinterpret_cast<const clap::EventParamGesture*>(event)->param_id;
}

inline std::vector<GestureStep> GestureStepsOf(const std::vector<const clap::EventHeader*>& events)
{
    std::vector<GestureStep> steps;
    for (const clap::EventHeader* event : events) {
        const VstInt32 opcode = event->type == clap::kEventParamGestureBegin ? audioMasterBeginEdit
                                : event->type == clap::kEventParamValue      ? audioMasterAutomate
                                : event->type == clap::kEventParamGestureEnd ? audioMasterEndEdit
                                                                             : -1;
        steps.push_back({opcode, static_cast<int>(EventParam(event))});
    }
    return steps;
}

// Dragged up by kAmountDragPixels, Amount must end above this.
constexpr double kDraggedAbove = 50.0;

// The drag must have raised `param` above `above`.
inline void ExpectOneDragOf(ClapInstance& plug, clap::Id param, double above)
{
    EXPECT_GT(plug.flushRequests, 0);
    HostOutputEvents out;
    plug.Flush(nullptr, &out);
    const auto events = out.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front()->type, clap::kEventParamGestureBegin);
    EXPECT_EQ(events.back()->type, clap::kEventParamGestureEnd);
    EXPECT_EQ(EditGestureFault(GestureStepsOf(events), true), "");
    for (const clap::EventHeader* event : events) {
        EXPECT_EQ(EventParam(event), param);
    }
    const auto* last = reinterpret_cast<const clap::EventParamValue*>(events[events.size() - 2]);
    ASSERT_EQ(last->header.type, clap::kEventParamValue);
    EXPECT_GT(last->value, above);
    EXPECT_EQ(last->value, plug.Value(param));
}
