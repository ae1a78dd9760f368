#include "editor_view_win.h"

#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "editor/control.h"
#include "raster/png_loader.h"

namespace {
const wchar_t kClassName[] = L"IEditorWndClass";
constexpr UINT_PTR kRedrawTimer = 2;
constexpr int kEntryId = 99;
constexpr int kEntryTextLimit = 1000;

// Shared by every editor window of the process; touched only on the UI thread.
int classRegistrations = 0;
double redrawRate = IEditorView::kDefaultFrameRate;

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

void RegisterEditorClass(HINSTANCE module, WNDPROC procedure)
{
    if (classRegistrations++ > 0) {
        return;
    }
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = procedure;
    wc.hInstance = module;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
}

void UnregisterEditorClass(HINSTANCE module)
{
    if (--classRegistrations == 0) {
        UnregisterClassW(kClassName, module);
    }
}

std::wstring Widen(const char* text)
{
    if (text == nullptr || text[0] == 0) {
        return std::wstring();
    }
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (n <= 0) {
        return std::wstring(text, text + std::strlen(text));
    }
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

std::string Narrow(const wchar_t* text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        return std::string();
    }
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], n, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(n - 1));
    return narrow;
}

bool KeyHeld(int virtualKey)
{
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

// Alt is not among a message's key flags: it comes from the keyboard state.
IMouseKeys KeysFromMessage(WPARAM flags)
{
    IMouseKeys keys =
        MouseKeysFromFlags(static_cast<uint32_t>(flags), {MK_LBUTTON, MK_RBUTTON, MK_SHIFT, MK_CONTROL, 0});
    keys.alt = KeyHeld(VK_MENU) ? 1 : 0;
    return keys;
}

// A child window that is not an MDI child: its parent grows along with it.
bool IsPlainChild(HWND window)
{
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0 &&
           (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_MDICHILD) == 0;
}

// Grows a window by (dx, dy) where it stands, without activating it or changing its z-order.
void GrowWindow(HWND window, int dx, int dy)
{
    RECT outer;
    GetWindowRect(window, &outer);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + dx, outer.bottom - outer.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int LowWord(LPARAM v)
{
    return static_cast<short>(LOWORD(v));
}

int HighWord(LPARAM v)
{
    return static_cast<short>(HIWORD(v));
}
}  // namespace

IEditorView* CreatePlatformEditorView(IEffectBase* plug, int width, int height, int frameRate)
{
    return new IEditorViewWin(plug, width, height, frameRate);
}

IEditorViewWin::IEditorViewWin(IEffectBase* plug, int width, int height, int frameRate)
    : IEditorView(plug, width, height, frameRate), module(ThisModule())
{
}

IEditorViewWin::~IEditorViewWin()
{
    CloseWindow();
}

RasterBitmap* IEditorViewWin::LoadImageResource(int id, const char*)
{
    return LoadPngFromResource(module, id, nullptr);
}

bool IEditorViewWin::OpenWindow(void* parent)
{
    std::lock_guard<std::recursive_mutex> guard(ViewLock());
    parentWindow = static_cast<HWND>(parent);
    int x = 0;
    int y = 0;
    int w = width;
    int h = height;
    if (window != nullptr) {
        RECT parentRect = {};
        RECT windowRect = {};
        GetWindowRect(parentWindow, &parentRect);
        GetWindowRect(window, &windowRect);
        CloseWindow();
        x = windowRect.left - parentRect.left;
        y = windowRect.top - parentRect.top;
        w = windowRect.right - windowRect.left;
        h = windowRect.bottom - windowRect.top;
    }
    RegisterEditorClass(module, &IEditorViewWin::WindowProc);
    redrawRate = frameRate;
    HWND created = CreateWindowExW(0, kClassName, L"IEditor", WS_CHILD | WS_VISIBLE, x, y, w, h, parentWindow,
                                   nullptr, module, this);
    if (created == nullptr) {
        UnregisterEditorClass(module);
        return false;
    }
    window = created;
    MarkAllDirty();
    return true;
}

void IEditorViewWin::CloseWindow()
{
    std::lock_guard<std::recursive_mutex> guard(ViewLock());
    if (window == nullptr) {
        return;
    }
    EndGesturesAndEntry();
    HWND closing = window;
    window = nullptr;
    DestroyWindow(closing);
    UnregisterEditorClass(module);
}

void IEditorViewWin::Resize(int newWidth, int newHeight)
{
    const int dx = newWidth - width;
    const int dy = newHeight - height;
    IEditorView::Resize(newWidth, newHeight);
    if (window == nullptr) {
        return;
    }
    RECT outer;
    GetWindowRect(window, &outer);
    GrowWindow(window, dx, dy);
    HWND parent = GetParent(window);
    if (parent != nullptr && IsPlainChild(window)) {
        GrowWindow(parent, dx, dy);
        HWND grandparent = GetParent(parent);
        if (grandparent != nullptr && IsPlainChild(parent)) {
            GrowWindow(grandparent, dx, dy);
        }
    }
    const RECT old = {0, 0, outer.right - outer.left, outer.bottom - outer.top};
    InvalidateRect(window, &old, FALSE);
}

bool IEditorViewWin::ShowArea(const IBounds& area)
{
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(window, &paint);
    HDC source = backBuffer ? static_cast<HDC>(backBuffer->DeviceContext()) : nullptr;
    if (screen != nullptr && source != nullptr) {
        BitBlt(screen, area.left, area.top, area.Width(), area.Height(), source, area.left, area.top, SRCCOPY);
    }
    EndPaint(window, &paint);
    return true;
}

int IEditorViewWin::HostWheel(float amount)
{
    std::lock_guard<std::recursive_mutex> guard(ViewLock());
    POINT cursor;
    if (window == nullptr || !GetCursorPos(&cursor) || WindowFromPoint(cursor) != window) {
        return 0;
    }
    RECT rect;
    GetWindowRect(window, &rect);
    IMouseKeys keys;
    keys.shift = KeyHeld(VK_SHIFT) ? 1 : 0;
    keys.control = KeyHeld(VK_CONTROL) ? 1 : 0;
    keys.alt = KeyHeld(VK_MENU) ? 1 : 0;
    MouseWheel(cursor.x - rect.left, cursor.y - rect.top, keys, static_cast<int>(amount));
    return 1;
}

LRESULT CALLBACK IEditorViewWin::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        static_cast<IEditorViewWin*>(create->lpCreateParams)->OnCreate(hwnd);
        return 0;
    }
    auto* view = reinterpret_cast<IEditorViewWin*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (view == nullptr || view->window != hwnd) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    std::lock_guard<std::recursive_mutex> guard(view->ViewLock());
    return view->HandleMessage(message, wParam, lParam);
}

void IEditorViewWin::OnCreate(HWND hwnd)
{
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetTimer(hwnd, kRedrawTimer, static_cast<UINT>(1000.0 / redrawRate), nullptr);
    if (TakesFocus()) {
        SetFocus(hwnd);
    }
}

LRESULT IEditorViewWin::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        RECT update;
        if (GetUpdateRect(window, &update, FALSE)) {
            PaintArea(IBounds{update.left, update.top, update.right, update.bottom});
        }
        return 0;
    }
    case WM_CLOSE:
        CloseWindow();
        return 0;
    case WM_MOUSEACTIVATE:
        if (TakesFocus()) {
            SetFocus(window);
        }
        return MA_ACTIVATE;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return 0;
    case WM_TIMER:
        if (wParam == kRedrawTimer) {
            TimerTick();
        }
        return 0;
    case WM_MOUSEMOVE:
        if ((wParam & (MK_LBUTTON | MK_RBUTTON)) && GetCapture() == window) {
            MouseDrag(LowWord(lParam), HighWord(lParam), KeysFromMessage(wParam));
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        ReleaseCapture();
        MouseUp(LowWord(lParam), HighWord(lParam), KeysFromMessage(wParam));
        return 0;
    case WM_LBUTTONDBLCLK:
        MouseDoubleClick(LowWord(lParam), HighWord(lParam), KeysFromMessage(wParam));
        return 0;
    case WM_RBUTTONDOWN:
        if (entry != nullptr) {
            textEntryState = kEntryCancel;
            return 0;
        }
        OnButtonDown(LowWord(lParam), HighWord(lParam), KeysFromMessage(wParam));
        return 0;
    case WM_LBUTTONDOWN:
        if (entry != nullptr) {
            textEntryState = kEntryCommit;
        }
        OnButtonDown(LowWord(lParam), HighWord(lParam), KeysFromMessage(wParam));
        return 0;
    case WM_MOUSEWHEEL: {
        RECT rect;
        GetWindowRect(window, &rect);
        const int steps = static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA;
        MouseWheel(LowWord(lParam) - rect.left, HighWord(lParam) - rect.top, KeysFromMessage(LOWORD(wParam)),
                   steps);
        return 0;
    }
    case WM_COMMAND:
        // A pick in the drop-down list reaches its parent, this window.
        if (entry != nullptr && LOWORD(wParam) == kEntryId && HIWORD(wParam) == CBN_SELCHANGE) {
            textEntryState = kEntryCommit;
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void IEditorViewWin::OnButtonDown(int x, int y, const IMouseKeys& keys)
{
    SetCapture(window);
    MouseDown(x, y, keys);
}

void IEditorViewWin::OnKeyDown(WPARAM virtualKey)
{
    const int key = KeyCodeForVirtualKey(static_cast<int>(virtualKey));
    if (key < 0) {
        return;
    }
    POINT cursor = {};
    GetCursorPos(&cursor);
    ScreenToClient(window, &cursor);
    KeyDown(cursor.x, cursor.y, key);
}

void IEditorViewWin::RedrawDirty()
{
    IBounds dirty;
    if (!CollectDirty(dirty)) {
        return;
    }
    const RECT area = {dirty.left, dirty.top, dirty.right, dirty.bottom};
    InvalidateRect(window, &area, FALSE);
    if (entry != nullptr) {
        RECT entryArea;
        GetClientRect(entry, &entryArea);
        MapWindowPoints(entry, window, reinterpret_cast<POINT*>(&entryArea), 2);
        ValidateRect(window, &entryArea);
    }
    UpdateWindow(window);
}

void IEditorViewWin::PromptForParameter(IControl* control, IParameter* parameter)
{
    if (control == nullptr || parameter == nullptr || entry != nullptr || window == nullptr) {
        return;
    }
    const ITextEntryLayout layout = EntryLayout(*control, *parameter);
    entry = layout.list ? CreateEntryList(layout) : CreateEntryEdit(layout);
    if (entry == nullptr) {
        return;
    }
    SetFocus(entry);
    savedEntryProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(entry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&IEditorViewWin::EntryProc)));
    entryFont = CreateFontW(14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial");
    SendMessageW(entry, WM_SETFONT, reinterpret_cast<WPARAM>(entryFont), FALSE);
    RememberTextEntry(control, parameter);
}

HWND IEditorViewWin::CreateEntryList(const ITextEntryLayout& layout)
{
    const int n = static_cast<int>(layout.items.size());
    int listWidth = 24;
    for (const std::string& item : layout.items) {
        listWidth = std::max(listWidth, 8 * static_cast<int>(item.size()) + 24);
    }
    HWND list = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST,
                                layout.centreX - listWidth / 2, layout.centreY, listWidth, 36 * (n + 1), window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryId)), module, nullptr);
    if (list == nullptr) {
        return nullptr;
    }
    for (const std::string& item : layout.items) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item.c_str()).c_str()));
    }
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(layout.selected), 0);
    return list;
}

HWND IEditorViewWin::CreateEntryEdit(const ITextEntryLayout& layout)
{
    HWND edit = CreateWindowExW(0, L"EDIT", Widen(layout.current.c_str()).c_str(),
                                WS_CHILD | WS_VISIBLE | ES_CENTER | ES_MULTILINE,
                                layout.centreX - layout.editWidth / 2, layout.centreY - 8, layout.editWidth, 16,
                                window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryId)), module, nullptr);
    if (edit != nullptr) {
        SendMessageW(edit, EM_SETSEL, 0, -1);
    }
    return edit;
}

LRESULT CALLBACK IEditorViewWin::EntryProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* view = reinterpret_cast<IEditorViewWin*>(GetWindowLongPtrW(GetParent(hwnd), GWLP_USERDATA));
    if (view == nullptr || view->entry != hwnd) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return view->HandleEntryMessage(hwnd, message, wParam, lParam);
}

LRESULT IEditorViewWin::HandleEntryMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS:
        textEntryState = kEntryTyping;
        break;
    case WM_KILLFOCUS:
        textEntryState = kEntryIdle;
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            wchar_t className[5] = {};
            GetClassNameW(hwnd, className, 5);
            if (lstrcmpiW(className, L"EDIT") == 0) {
                SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(-1), 0);
            }
            textEntryState = kEntryCommit;
            return 0;
        }
        textEntryState = kEntryTyping;
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == CBN_SELCHANGE) {
            textEntryState = kEntryCommit;
            return 0;
        }
        break;
    default:
        break;
    }
    return CallWindowProcW(savedEntryProc, hwnd, message, wParam, lParam);
}

std::string IEditorViewWin::TextEntryText()
{
    wchar_t text[kEntryTextLimit] = {};
    GetWindowTextW(entry, text, kEntryTextLimit);
    return Narrow(text);
}

void IEditorViewWin::DestroyTextEntry()
{
    if (entry == nullptr) {
        return;
    }
    SetWindowLongPtrW(entry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedEntryProc));
    DestroyWindow(entry);
    if (entryFont != nullptr) {
        DeleteObject(entryFont);
    }
    ForgetTextEntryWindow();
}

void IEditorViewWin::ForgetTextEntryWindow()
{
    entry = nullptr;
    savedEntryProc = nullptr;
    entryFont = nullptr;
}

bool IEditorViewWin::OpenWebPage(const char* address, const char* title, const char* confirmText,
                                 const char* errorText)
{
    const std::wstring caption = Widen(title);
    if (confirmText != nullptr &&
        MessageBoxW(window, Widen(confirmText).c_str(), caption.c_str(), MB_YESNO) != IDYES) {
        return false;
    }
    DWORD connection = 0;
    if (InternetGetConnectedState(&connection, 0)) {
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(window, L"open", Widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (result > 32) {
            return true;
        }
    }
    if (errorText != nullptr) {
        MessageBoxW(window, Widen(errorText).c_str(), caption.c_str(), MB_OK);
    }
    return false;
}
