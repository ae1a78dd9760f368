// The host format one compile of the effect is bound to. The effect's sources are compiled
// once per format, each time deriving from that format's binding: IVstPlugin (vst/, the
// VST 2.4 plug-in) by default, IVst3Plugin (vst3/) where the target defines RUCK_FORMAT_VST3,
// IClapPlugin (clap/) where it defines RUCK_FORMAT_CLAP.
#pragma once

#if defined(RUCK_FORMAT_CLAP)
#include "clap/clap_plugin.h"
// Its own class name, so no binary can mistake one compile of the effect for another.
#define VSTCLASS RuckstoneClap
using IFormatBinding = IClapPlugin;
using IFormatHost = const clap::Host*;
#elif defined(RUCK_FORMAT_VST3)
#include "vst3/vst3_plugin.h"
// Its own class name, so no binary can mistake one compile of the effect for the other.
#define VSTCLASS RuckstoneVst3
using IFormatBinding = IVst3Plugin;
using IFormatHost = IVst3HostLink*;
#else
#include "vst/vst_plugin.h"
using IFormatBinding = IVstPlugin;
using IFormatHost = audioMasterCallback;
#endif
