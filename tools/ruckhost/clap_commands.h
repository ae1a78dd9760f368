// ruckhost for CLAP plug-ins: info and render through the CLAP interface only. A path
// ending in .clap is taken as CLAP.
#pragma once

#include <string>

#include "options.h"
#include "render.h"
#include "wav.h"

bool IsClapPath(const std::string& path);

int RunClapInfo(const std::string& path);
// Applies --state (the plug-in's own state bytes), --program (a factory preset) and the
// --sets, renders the input in stereo and writes the output and, when asked, the state.
void RenderClap(const Arguments& arguments, const RenderSettings& settings, const WavFile& input,
                SampleFormat format, const std::string& out);
