// ruckhost for VST3 bundles, through the VST3 interface only: the bundle's first effect as
// a hosted plug-in, and what `info` prints about it. A path naming a .vst3 bundle (or the
// module inside one) is taken as VST3.
#pragma once

#include <memory>
#include <string>

#include "hosted_plugin.h"

bool IsVst3Path(const std::string& path);

int RunVst3Info(const std::string& path);

// Programs are the values of the program selector among the parameters; program and
// settings reach the processor as changes at the start of the next block (or a flush before
// a state is saved); state files hold the bundle's own state bytes.
std::unique_ptr<PluginFile> LoadVst3File(const std::string& path);
