// The in-place value entry of the Linux editor, where there is no native edit control to
// borrow: a one-line edit box or a list of value texts placed over a control, kept as
// text and caret (or items and selection) and drawn with the raster library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "editor/editor_types.h"
#include "raster/raster_bitmap.h"

class CachedFont;

class InPlaceEntry {
public:
    // What an input did to the entry: nothing, a change of its text, or a request to apply it.
    enum Reaction { kIgnored, kTyped, kCommit };

    // An edit box w pixels wide centred on (cx, cy), holding text with all of it selected.
    static std::unique_ptr<InPlaceEntry> MakeEdit(int cx, int cy, int w, const char* text);
    // A list whose top edge is centred on (cx, cy), with the item at selected highlighted (-1: none).
    static std::unique_ptr<InPlaceEntry> MakeList(int cx, int cy, std::vector<std::string> items, int selected);

    bool IsList() const { return listed; }
    // Where the entry lies, in editor coordinates.
    const IBounds& Place() const { return place; }
    // The text to apply: the edit box's text, or the selected item's ("" when none).
    std::string Text() const;
    int Caret() const { return caret; }
    int Selected() const { return selected; }

    // A key press: its keysym and the text it types (may be empty).
    Reaction Key(unsigned long keysym, const std::string& typed);
    // A left press at (x, y) in entry coordinates.
    Reaction Press(int x, int y);

    // Draws the entry as it is now; the surface has the entry's size.
    RasterBitmap& Draw();

    static constexpr int kRowHeight = 18;
    static constexpr int kEditHeight = 16;

private:
    InPlaceEntry(const IBounds& place, bool listed);
    Reaction EditKey(unsigned long keysym, const std::string& typed);
    Reaction ListKey(unsigned long keysym);
    void Insert(const std::string& typed);
    void EraseBefore();
    int TextWidth(const std::string& text);
    int TextLeft();
    void DrawText(const std::string& text, int x, int y, Pixel32 colour);
    void DrawEdit();
    void DrawList();

    IBounds place;
    bool listed;
    std::string text;
    int caret = 0;
    bool allSelected = false;
    std::vector<std::string> items;
    int selected = -1;
    CachedFont* font = nullptr;
    MemoryBitmap surface;
};
