// One CLAP plug-in object: the plug-in record a host drives and the extension tables it
// asks for (audio ports, parameters, state, latency, editor), all on one effect instance.
#pragma once

#include "clap/clap_plugin.h"

// What the factory says about the plug-in and how an instance is made.
struct IClapClass {
    const clap::PluginDescriptor* descriptor;
    IClapMaker make;
};

// A new plug-in object of the class, not yet initialised; null when memory runs out. The
// host frees it through its destroy function.
const clap::Plugin* CreateClapPlugin(const IClapClass& pluginClass, const clap::Host* host);
