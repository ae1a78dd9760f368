// The editor on Windows: a child window in the host's window, redrawn from a timer at
// the view's frame rate, with in-place text entry (EDIT or COMBOBOX) and web links.
#pragma once

#include <windows.h>

#include "editor/editor_view.h"

class IEditorViewWin : public IEditorView {
public:
    IEditorViewWin(IEffectBase* plug, int width, int height, int frameRate);
    ~IEditorViewWin() override;

    bool ShowArea(const IBounds& area) override;
    void Resize(int newWidth, int newHeight) override;
    void PromptForParameter(IControl* control, IParameter* parameter) override;
    bool OpenWebPage(const char* address, const char* title, const char* confirmText,
                     const char* errorText) override;
    int HostWheel(float amount) override;
    bool OpenWindow(void* parent) override;
    void CloseWindow() override;
    void* WindowHandle() override { return window; }
    RasterBitmap* LoadImageResource(int id, const char* fileName) override;

    HWND TextEntryWindow() const { return entry; }

protected:
    void RedrawDirty() override;
    std::string TextEntryText() override;
    void DestroyTextEntry() override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK EntryProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleEntryMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate(HWND hwnd);
    void OnButtonDown(int x, int y, const IMouseKeys& keys);
    void OnKeyDown(WPARAM virtualKey);
    void ForgetTextEntryWindow();
    HWND CreateEntryList(const ITextEntryLayout& layout);
    HWND CreateEntryEdit(const ITextEntryLayout& layout);

    HINSTANCE module;
    HWND window = nullptr;
    HWND entry = nullptr;
    WNDPROC savedEntryProc = nullptr;
    HFONT entryFont = nullptr;
    HWND parentWindow = nullptr;
};
