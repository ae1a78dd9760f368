// The demo input: a plucked-string riff over a bass line, synthesised with plain
// arithmetic only (no math library), so every build makes the very same samples.
#pragma once

#include "wav.h"

Audio SynthesiseDemoRiff(int sampleRate, double seconds);
