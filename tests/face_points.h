// Where the window tests find things on Ruckstone's face when they drive it with real input,
// and how long its editor takes for one repaint tick.
#pragma once

constexpr int kAmountKnobX = 67;
constexpr int kAmountKnobY = 165;
// Dragged up this far, Amount goes from its default 50 % to 63 %.
constexpr int kAmountDragPixels = 43;
constexpr int kEditorTickMs = 42;
