// ruckhost for VST3 bundles: info and render through the VST3 interface only. A path
// naming a .vst3 bundle (or the module inside one) is taken as VST3, anything else as VST2.
#pragma once

#include <string>

#include "options.h"
#include "render.h"
#include "wav.h"

bool IsVst3Path(const std::string& path);

int RunVst3Info(const std::string& path);
// Applies --state (the plug-in's own state bytes), --program and the --sets, renders the
// input and writes the output and, when asked, the state the render ended with.
void RenderVst3(const Arguments& arguments, const RenderSettings& settings, const WavFile& input,
                SampleFormat format, const std::string& out);
