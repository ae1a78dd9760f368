#include "editor_view_x11.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "editor/control.h"
#include "editor/web_page_linux.h"
#include "editor/x11_keys.h"
#include "raster/png_loader.h"

namespace {

constexpr long kEditorEvents =
    ExposureMask | ButtonPressMask | ButtonReleaseMask | ButtonMotionMask | KeyPressMask;
constexpr long kEntryEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask;
constexpr unsigned kLeftButton = Button1;
constexpr unsigned kRightButton = Button3;
constexpr unsigned kWheelUp = Button4;
constexpr unsigned kWheelDown = Button5;
// Windows' defaults for telling a double click from two clicks.
constexpr Time kDoubleClickMs = 500;
constexpr int kDoubleClickSlop = 2;
// The fallback thread takes over when the host has not called idle for this many ticks.
constexpr int kIdleGraceTicks = 4;

// Fonts and the text renderer's scratch surfaces are shared by every editor of the
// process; the fallback threads may draw beside the host's thread.
std::mutex& SharedDrawing()
{
    static std::mutex mutex;
    return mutex;
}

IMouseKeys KeysFromState(unsigned state)
{
    return MouseKeysFromFlags(state, {Button1Mask, Button3Mask, ShiftMask, ControlMask, Mod1Mask});
}

// A window's place in its parent; false when the server cannot say.
bool PlaceInParent(Display* display, Window target, IBounds* place)
{
    Window root;
    int x = 0;
    int y = 0;
    unsigned w = 0;
    unsigned h = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (!XGetGeometry(display, target, &root, &x, &y, &w, &h, &border, &depth)) {
        return false;
    }
    *place = {x, y, x + static_cast<int>(w), y + static_cast<int>(h)};
    return true;
}

// Grows a window by (dx, dy) where it stands (never below one pixel).
void GrowWindow(Display* display, Window target, int dx, int dy)
{
    IBounds place;
    if (PlaceInParent(display, target, &place)) {
        XResizeWindow(display, target, static_cast<unsigned>(std::max(1, place.Width() + dx)),
                      static_cast<unsigned>(std::max(1, place.Height() + dy)));
    }
}

unsigned ButtonMask(unsigned button)
{
    return button == kLeftButton ? Button1Mask : button == kRightButton ? Button3Mask : 0;
}

// A key's text as UTF-8 (XLookupString gives Latin-1).
std::string TypedText(XKeyEvent& key, KeySym& keysym)
{
    char buffer[16] = {};
    const int n = XLookupString(&key, buffer, sizeof buffer, &keysym, nullptr);
    std::string text;
    for (int i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(buffer[i]);
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}
}  // namespace

IEditorView* CreatePlatformEditorView(IEffectBase* plug, int width, int height, int frameRate)
{
    return new IEditorViewX11(plug, width, height, frameRate);
}

IEditorViewX11::IEditorViewX11(IEffectBase* plug, int width, int height, int frameRate)
    : IEditorView(plug, width, height, frameRate),
      tickPeriod(static_cast<int>(1000.0 / this->frameRate))
{
}

IEditorViewX11::~IEditorViewX11()
{
    CloseWindow();
}

RasterBitmap* IEditorViewX11::LoadImageResource(int id, const char*)
{
    return LoadPngFromResource(nullptr, id, nullptr);
}

void* IEditorViewX11::WindowHandle()
{
    return reinterpret_cast<void*>(window.Id());
}

bool IEditorViewX11::OpenWindow(void* parent)
{
    std::lock_guard<std::recursive_mutex> guard(ViewLock());
    const IBounds place = PlaceForOpen();
    if (!connection.Open()) {
        return false;
    }
    if (!window.Create(connection, static_cast<Window>(reinterpret_cast<uintptr_t>(parent)), place,
                       kEditorEvents)) {
        connection.Close();
        return false;
    }
    if (TakesFocus()) {
        TakeFocus(window.Id());
    }
    XFlush(connection.Get());
    MarkAllDirty();
    nextTick = lastHostIdle = Clock::now();
    fallback.Start(tickPeriod, [this] { FallbackBeat(); });
    return true;
}

// A new window goes at the origin at the editor's size; a reopened one keeps its place.
IBounds IEditorViewX11::PlaceForOpen()
{
    IBounds place = {0, 0, width, height};
    if (window.Exists()) {
        PlaceInParent(connection.Get(), window.Id(), &place);
        CloseWindow();
    }
    return place;
}

void IEditorViewX11::CloseWindow()
{
    std::lock_guard<std::recursive_mutex> guard(ViewLock());
    if (!connection.IsOpen()) {
        return;
    }
    // The beat only ever tries the view's lock, so it cannot be waiting for us here.
    fallback.Stop();
    EndGesturesAndEntry();
    window.Destroy();
    connection.Close();
    captured = false;
    lastPressPairs = false;
}

void IEditorViewX11::Idle()
{
    std::lock_guard<std::recursive_mutex> guard(ViewLock());
    lastHostIdle = Clock::now();
    Work();
}

int IEditorViewX11::EventDescriptor() const
{
    return connection.IsOpen() ? ConnectionNumber(connection.Get()) : -1;
}

void IEditorViewX11::FallbackBeat()
{
    std::unique_lock<std::recursive_mutex> guard(ViewLock(), std::try_to_lock);
    if (guard.owns_lock() && Clock::now() - lastHostIdle >= kIdleGraceTicks * tickPeriod) {
        Work();
    }
}

void IEditorViewX11::Work()
{
    if (!connection.IsOpen()) {
        return;
    }
    PumpEvents();
    TickIfDue();
    if (connection.IsOpen()) {
        XFlush(connection.Get());
    }
}

void IEditorViewX11::PumpEvents()
{
    while (connection.IsOpen() && XPending(connection.Get()) > 0) {
        XEvent event;
        XNextEvent(connection.Get(), &event);
        HandleEvent(event);
    }
}

void IEditorViewX11::HandleEvent(XEvent& event)
{
    if (event.xany.window == window.Id()) {
        HandleEditorEvent(event);
    } else if (entry && event.xany.window == entryWindow.Id()) {
        HandleEntryEvent(event);
    }
}

void IEditorViewX11::HandleEditorEvent(XEvent& event)
{
    switch (event.type) {
    case Expose: {
        // As on Windows, the controls draw the exposed area again before it is shown: the back
        // buffer outside the last painted area may hold text drawn over itself.
        const XExposeEvent& e = event.xexpose;
        Repaint(IBounds{e.x, e.y, e.x + e.width, e.y + e.height});
        break;
    }
    case ButtonPress:
        OnButtonPress(event.xbutton);
        break;
    case ButtonRelease:
        OnButtonRelease(event.xbutton);
        break;
    case MotionNotify:
        if (captured && (event.xmotion.state & (Button1Mask | Button3Mask))) {
            MouseDrag(event.xmotion.x, event.xmotion.y, KeysFromState(event.xmotion.state));
        }
        break;
    case KeyPress:
        OnKeyPress(event.xkey);
        break;
    default:
        break;
    }
}

void IEditorViewX11::OnButtonPress(const XButtonEvent& press)
{
    if (TakesFocus()) {
        TakeFocus(window.Id());
    }
    const IMouseKeys keys = KeysFromState(press.state | ButtonMask(press.button));
    if (press.button == kWheelUp || press.button == kWheelDown) {
        MouseWheel(press.x, press.y, keys, press.button == kWheelUp ? 1 : -1);
        return;
    }
    if (press.button != kLeftButton && press.button != kRightButton) {
        return;
    }
    if (IsDoubleClick(press)) {
        MouseDoubleClick(press.x, press.y, keys);
        return;
    }
    if (entry) {
        textEntryState = press.button == kLeftButton ? kEntryCommit : kEntryCancel;
        if (press.button == kRightButton) {
            return;
        }
    }
    captured = true;
    MouseDown(press.x, press.y, keys);
}

// A left press soon after another, near it, is a double click; the press after a double
// click starts afresh. Any other button breaks the pair.
bool IEditorViewX11::IsDoubleClick(const XButtonEvent& press)
{
    if (press.button != kLeftButton) {
        lastPressPairs = false;
        return false;
    }
    const bool pairs = lastPressPairs && press.time - lastPressTime <= kDoubleClickMs &&
                       std::abs(press.x - lastPressX) <= kDoubleClickSlop &&
                       std::abs(press.y - lastPressY) <= kDoubleClickSlop;
    lastPressPairs = !pairs;
    lastPressTime = press.time;
    lastPressX = press.x;
    lastPressY = press.y;
    return pairs;
}

void IEditorViewX11::OnButtonRelease(const XButtonEvent& release)
{
    if (release.button != kLeftButton && release.button != kRightButton) {
        return;
    }
    captured = false;
    MouseUp(release.x, release.y, KeysFromState(release.state & ~ButtonMask(release.button)));
}

void IEditorViewX11::OnKeyPress(XKeyEvent& key)
{
    const int code = KeyCodeForVirtualKey(VirtualKeyForKeysym(XLookupKeysym(&key, 0)));
    if (code >= 0) {
        KeyDown(key.x, key.y, code);
    }
}

void IEditorViewX11::HandleEntryEvent(XEvent& event)
{
    InPlaceEntry::Reaction reaction = InPlaceEntry::kIgnored;
    if (event.type == Expose) {
        ShowEntry();
        return;
    }
    if (event.type == KeyPress) {
        KeySym keysym = NoSymbol;
        const std::string typed = TypedText(event.xkey, keysym);
        reaction = entry->Key(keysym, typed);
    } else if (event.type == ButtonPress && event.xbutton.button == kLeftButton) {
        reaction = entry->Press(event.xbutton.x, event.xbutton.y);
    }
    if (reaction == InPlaceEntry::kIgnored) {
        return;
    }
    textEntryState = reaction == InPlaceEntry::kCommit ? kEntryCommit : kEntryTyping;
    ShowEntry();
}

void IEditorViewX11::TickIfDue()
{
    const Clock::time_point now = Clock::now();
    if (now < nextTick) {
        return;
    }
    nextTick += tickPeriod;
    if (nextTick <= now) {
        nextTick = now + tickPeriod;
    }
    TimerTick();
    ReapBrowserLaunchers();
}

void IEditorViewX11::RedrawDirty()
{
    IBounds dirty;
    if (CollectDirty(dirty)) {
        Repaint(dirty);
    }
}

void IEditorViewX11::Repaint(const IBounds& area)
{
    std::lock_guard<std::mutex> drawing(SharedDrawing());
    PaintArea(area);
}

// The window and the host's window it sits in grow by the change; what lies above the host's
// window is the host's and the window manager's. The old area is exposed to be drawn again.
void IEditorViewX11::Resize(int newWidth, int newHeight)
{
    std::lock_guard<std::recursive_mutex> guard(ViewLock());
    const int dx = newWidth - width;
    const int dy = newHeight - height;
    IEditorView::Resize(newWidth, newHeight);
    if (!window.Exists()) {
        return;
    }
    Display* display = connection.Get();
    const IBounds old = window.Area();
    window.Resize(old.Width() + dx, old.Height() + dy);
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window.Id(), &root, &parent, &children, &count)) {
        if (children != nullptr) {
            XFree(children);
        }
        if (parent != None && parent != root) {
            GrowWindow(display, parent, dx, dy);
        }
    }
    XClearArea(display, window.Id(), 0, 0, static_cast<unsigned>(old.Width()), static_cast<unsigned>(old.Height()),
               True);
    XFlush(display);
}

bool IEditorViewX11::ShowArea(const IBounds& area)
{
    if (backBuffer) {
        window.Show(*backBuffer, area);
    }
    return true;
}

int IEditorViewX11::HostWheel(float amount)
{
    std::lock_guard<std::recursive_mutex> guard(ViewLock());
    if (!window.Exists()) {
        return 0;
    }
    Window root;
    Window child;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned state = 0;
    if (!XQueryPointer(connection.Get(), window.Id(), &root, &child, &rootX, &rootY, &x, &y, &state) ||
        child != None || x < 0 || y < 0 || x >= width || y >= height) {
        return 0;
    }
    MouseWheel(x, y, KeysFromState(state & ~(Button1Mask | Button3Mask)), static_cast<int>(amount));
    return 1;
}

void IEditorViewX11::PromptForParameter(IControl* control, IParameter* parameter)
{
    if (control == nullptr || parameter == nullptr || entry || !window.Exists()) {
        return;
    }
    ITextEntryLayout layout = EntryLayout(*control, *parameter);
    std::unique_ptr<InPlaceEntry> made =
        layout.list ? InPlaceEntry::MakeList(layout.centreX, layout.centreY, std::move(layout.items), layout.selected)
                    : InPlaceEntry::MakeEdit(layout.centreX, layout.centreY, layout.editWidth, layout.current.c_str());
    if (!entryWindow.Create(connection, window.Id(), made->Place(), kEntryEvents)) {
        return;
    }
    entry = std::move(made);
    RememberTextEntry(control, parameter);
    Window focus = None;
    int revert = 0;
    XGetInputFocus(connection.Get(), &focus, &revert);
    focusBeforeEntry = focus;
    TakeFocus(entryWindow.Id());
    ShowEntry();
}

void IEditorViewX11::ShowEntry()
{
    std::lock_guard<std::mutex> drawing(SharedDrawing());
    RasterBitmap& pixels = entry->Draw();
    entryWindow.Show(pixels, IBounds{0, 0, pixels.Width(), pixels.Height()});
}

std::string IEditorViewX11::TextEntryText()
{
    return entry ? entry->Text() : std::string();
}

// Closes the entry's window without applying it and gives the keyboard back.
void IEditorViewX11::DestroyTextEntry()
{
    if (entry) {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(connection.Get(), &focus, &revert);
        if (focus == entryWindow.Id()) {
            TakeFocus(focusBeforeEntry);
        }
    }
    entryWindow.Destroy();
    entry.reset();
    focusBeforeEntry = None;
}

void IEditorViewX11::TakeFocus(Window target)
{
    XSetInputFocus(connection.Get(), target, RevertToParent, CurrentTime);
}

// There is no message box here: a page that needs the user's confirmation is not opened.
bool IEditorViewX11::OpenWebPage(const char* address, const char*, const char* confirmText, const char*)
{
    return confirmText == nullptr && LaunchBrowser(address);
}
