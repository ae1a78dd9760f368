// State shared by every font in the process: the live-font count that owns the two scratch
// surfaces, and the Wine probe's remembered answer. Used on the editor's thread only.
#pragma once

class DibBitmap;

// Every CachedFont counts itself in and out; the last one out deletes both scratch surfaces.
void FontCreated();
void FontDestroyed();
int LiveFontCount();

// The surface single characters are rendered in: made on first use, at least size x size,
// set up for character rendering whenever it grows. Null when it cannot be made.
DibBitmap* GlyphScratch(int size);
// The surface whole texts are composed in when the destination has no device context.
DibBitmap* TextScratch();
// Whether either scratch surface exists now.
bool ScratchSurfacesExist();

// Whether the process runs under Wine: probed once, then remembered.
bool WineDetected();
// Replaces the remembered answer: 0 or 1, or -1 to probe again on next use.
void SetWineDetected(int answer);
