// Renders audio through an opened plug-in in blocks, as a host's offline bounce does: mono
// files through the plug-in's mono support or duplicated to its inputs.
#pragma once

#include "hosted_plugin.h"
#include "plugin_host.h"
#include "wav.h"

struct RenderSettings {
    int blockSize = 512;
    bool doublePrecision = false;
    // The rate the plug-in is told; 0 means the input's own.
    double sampleRate = 0.0;
};

// Starts the plug-in, renders every frame of `input` and stops it again. The result has
// the input's rate and length, one channel for a mono render, else up to two.
Audio RenderAudio(HostedPlugin& plugin, const Audio& input, const RenderSettings& settings);
// The same for a VST2 instance opened directly.
Audio RenderAudio(PluginInstance& plugin, const Audio& input, const RenderSettings& settings);
