// Processing of part of a host's block straight from and into its channel arrays, for
// bindings whose hosts cut blocks at parameter change points (VST3, CLAP).
#pragma once

class IEffectBase;

// Frames [offset, offset + frames) of the host's channels: the first `channels` pins read
// and write them, the others their own scratch. Slices longer than the scratch are
// processed in parts. Called under the instance's lock; allocates nothing.
void ProcessHostSlice(IEffectBase& effect, float** inputs, float** outputs, int channels, int offset, int frames);
void ProcessHostSlice(IEffectBase& effect, double** inputs, double** outputs, int channels, int offset,
                      int frames);
