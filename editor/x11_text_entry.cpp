#include "x11_text_entry.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>

#include "editor/font_cache.h"
#include "raster/blend.h"
#include "raster/raster_font.h"

namespace {
constexpr Pixel32 kPaper = 0xFFFFFFFF;
constexpr Pixel32 kInk = 0xFF000000;
constexpr Pixel32 kFrame = 0xFF646464;
constexpr Pixel32 kHighlight = 0xFF3367D6;
constexpr int kFontSize = 14;
constexpr int kListPadding = 4;

void Fill(RasterBitmap& surface, int x, int y, int w, int h, Pixel32 colour)
{
    FillRect(&surface, x, y, w, h, colour, 1.0f, BlendCopy);
}

void Frame(RasterBitmap& surface)
{
    const int w = surface.Width();
    const int h = surface.Height();
    Fill(surface, 0, 0, w, 1, kFrame);
    Fill(surface, 0, h - 1, w, 1, kFrame);
    Fill(surface, 0, 0, 1, h, kFrame);
    Fill(surface, w - 1, 0, 1, h, kFrame);
}

bool Printable(const std::string& typed)
{
    return !typed.empty() && std::all_of(typed.begin(), typed.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
    });
}
}  // namespace

InPlaceEntry::InPlaceEntry(const IBounds& place, bool listed)
    : place(place), listed(listed), font(FindOrCreateFont(kFontSize, 0, 0, 0, "Arial")),
      surface(place.Width(), place.Height(), 1)
{
}

std::unique_ptr<InPlaceEntry> InPlaceEntry::MakeEdit(int cx, int cy, int w, const char* text)
{
    const IBounds place = {cx - w / 2, cy - kEditHeight / 2, cx - w / 2 + w, cy - kEditHeight / 2 + kEditHeight};
    std::unique_ptr<InPlaceEntry> entry(new InPlaceEntry(place, false));
    entry->text = text;
    entry->caret = static_cast<int>(entry->text.size());
    entry->allSelected = true;
    return entry;
}

std::unique_ptr<InPlaceEntry> InPlaceEntry::MakeList(int cx, int cy, std::vector<std::string> items, int selected)
{
    int w = 24;
    for (const std::string& item : items) {
        w = std::max(w, 8 * static_cast<int>(item.size()) + 24);
    }
    const int h = kRowHeight * static_cast<int>(items.size()) + 2;
    std::unique_ptr<InPlaceEntry> entry(new InPlaceEntry(IBounds{cx - w / 2, cy, cx - w / 2 + w, cy + h}, true));
    entry->items = std::move(items);
    entry->selected = selected;
    return entry;
}

std::string InPlaceEntry::Text() const
{
    if (!listed) {
        return text;
    }
    return selected >= 0 && selected < static_cast<int>(items.size()) ? items[static_cast<size_t>(selected)] : "";
}

InPlaceEntry::Reaction InPlaceEntry::Key(unsigned long keysym, const std::string& typed)
{
    if (keysym == XK_Return || keysym == XK_KP_Enter) {
        allSelected = false;
        return kCommit;
    }
    return listed ? ListKey(keysym) : EditKey(keysym, typed);
}

InPlaceEntry::Reaction InPlaceEntry::EditKey(unsigned long keysym, const std::string& typed)
{
    const int end = static_cast<int>(text.size());
    switch (keysym) {
    case XK_BackSpace:
        EraseBefore();
        break;
    case XK_Delete:
        if (allSelected) {
            EraseBefore();
        } else if (caret < end) {
            text.erase(static_cast<size_t>(caret), 1);
        }
        break;
    case XK_Left:
        caret = std::max(0, caret - 1);
        break;
    case XK_Right:
        caret = std::min(end, caret + 1);
        break;
    case XK_Home:
        caret = 0;
        break;
    case XK_End:
        caret = end;
        break;
    default:
        if (Printable(typed)) {
            Insert(typed);
        }
        return kTyped;
    }
    allSelected = false;
    return kTyped;
}

// Arrow keys move the selection and pick at once, as a closed drop-down list does.
InPlaceEntry::Reaction InPlaceEntry::ListKey(unsigned long keysym)
{
    const int last = static_cast<int>(items.size()) - 1;
    if (keysym == XK_Up && selected > 0) {
        --selected;
        return kCommit;
    }
    if (keysym == XK_Down && selected < last) {
        ++selected;
        return kCommit;
    }
    return kTyped;
}

void InPlaceEntry::Insert(const std::string& typed)
{
    if (allSelected) {
        text.clear();
        caret = 0;
        allSelected = false;
    }
    text.insert(static_cast<size_t>(caret), typed);
    caret += static_cast<int>(typed.size());
}

void InPlaceEntry::EraseBefore()
{
    if (allSelected) {
        text.clear();
        caret = 0;
    } else if (caret > 0) {
        text.erase(static_cast<size_t>(--caret), 1);
    }
}

InPlaceEntry::Reaction InPlaceEntry::Press(int x, int y)
{
    if (listed) {
        const int row = (y - 1) / kRowHeight;
        if (y < 1 || row >= static_cast<int>(items.size())) {
            return kIgnored;
        }
        selected = row;
        return kCommit;
    }
    // The caret goes to the character boundary nearest the pointer.
    allSelected = false;
    const int left = TextLeft();
    int bestDistance = -1;
    for (int i = 0; i <= static_cast<int>(text.size()); ++i) {
        const int distance = std::abs(left + TextWidth(text.substr(0, static_cast<size_t>(i))) - x);
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            caret = i;
        }
    }
    return kTyped;
}

int InPlaceEntry::TextWidth(const std::string& part)
{
    if (font == nullptr || part.empty()) {
        return 0;
    }
    RasterRect rect = {0, 0, 0, 0};
    font->RenderText(&surface, part.c_str(), static_cast<int>(part.size()), &rect, TextCalcRect | TextSingleLine);
    return rect.right - rect.left;
}

// The edit box centres its text.
int InPlaceEntry::TextLeft()
{
    return (place.Width() - TextWidth(text)) / 2;
}

void InPlaceEntry::DrawText(const std::string& part, int x, int y, Pixel32 colour)
{
    if (font == nullptr || part.empty()) {
        return;
    }
    font->SetTextColour(colour);
    RasterRect rect = {x, y, place.Width(), y + font->LineHeight()};
    font->RenderText(&surface, part.c_str(), static_cast<int>(part.size()), &rect, TextNoClip | TextSingleLine);
}

RasterBitmap& InPlaceEntry::Draw()
{
    Fill(surface, 0, 0, surface.Width(), surface.Height(), kPaper);
    if (listed) {
        DrawList();
    } else {
        DrawEdit();
    }
    Frame(surface);
    return surface;
}

void InPlaceEntry::DrawEdit()
{
    const int lineHeight = font ? font->LineHeight() : kFontSize;
    const int top = (place.Height() - lineHeight) / 2;
    const int left = TextLeft();
    if (allSelected && !text.empty()) {
        Fill(surface, left, 1, TextWidth(text), place.Height() - 2, kHighlight);
        DrawText(text, left, top, kPaper);
        return;
    }
    DrawText(text, left, top, kInk);
    const int caretX = std::min(place.Width() - 2, left + TextWidth(text.substr(0, static_cast<size_t>(caret))));
    Fill(surface, caretX, 2, 1, place.Height() - 4, kInk);
}

void InPlaceEntry::DrawList()
{
    const int lineHeight = font ? font->LineHeight() : kFontSize;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const int top = 1 + i * kRowHeight;
        Pixel32 ink = kInk;
        if (i == selected) {
            Fill(surface, 1, top, place.Width() - 2, kRowHeight, kHighlight);
            ink = kPaper;
        }
        DrawText(items[static_cast<size_t>(i)], kListPadding, top + (kRowHeight - lineHeight) / 2, ink);
    }
}
