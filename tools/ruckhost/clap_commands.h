// ruckhost for CLAP plug-ins, through the CLAP interface only: the file's first plug-in as
// a hosted plug-in, and what `info` prints about it. A path ending in .clap is taken as CLAP.
#pragma once

#include <memory>
#include <string>

#include "hosted_plugin.h"

bool IsClapPath(const std::string& path);

int RunClapInfo(const std::string& path);

// Programs are the presets the file's discovery providers publish, loaded through
// preset-load; --set values reach the plug-in through a flush; state files hold its own
// state bytes; audio goes through one mono or stereo port each way (a mono input through
// the plug-in's mono configuration, or on both channels of a stereo port); the face comes
// through Ruckstone's snapshot extension.
std::unique_ptr<PluginFile> LoadClapFile(const std::string& path);
