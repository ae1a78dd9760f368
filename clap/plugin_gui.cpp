#include "plugin_gui.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "clap/snapshot_extension.h"

namespace {
#ifdef _WIN32
const char* const kPlatformApi = clap::kWindowApiWin32;
#else
const char* const kPlatformApi = clap::kWindowApiX11;
#endif
constexpr uint32_t kMillisecondsPerSecond = 1000;

bool CLAP_CALL IsApiSupported(const clap::Plugin* plugin, const char* api, bool floating)
{
    return ClapGuiOf(plugin).Supports(api, floating);
}

bool CLAP_CALL PreferredApi(const clap::Plugin*, const char** api, bool* floating)
{
    if (api == nullptr || floating == nullptr) {
        return false;
    }
    *api = kPlatformApi;
    *floating = false;
    return true;
}

bool CLAP_CALL CreateGui(const clap::Plugin* plugin, const char* api, bool floating)
{
    return ClapGuiOf(plugin).Create(api, floating);
}

void CLAP_CALL DestroyGui(const clap::Plugin* plugin)
{
    ClapGuiOf(plugin).Destroy();
}

bool CLAP_CALL SetScale(const clap::Plugin* plugin, double scale)
{
    return ClapGuiOf(plugin).SetScale(scale);
}

bool CLAP_CALL GetSize(const clap::Plugin* plugin, uint32_t* width, uint32_t* height)
{
    return width != nullptr && height != nullptr && ClapGuiOf(plugin).Size(*width, *height);
}

bool CLAP_CALL CanResize(const clap::Plugin*)
{
    return false;
}

bool CLAP_CALL ResizeHints(const clap::Plugin*, clap::GuiResizeHints* hints)
{
    if (hints == nullptr) {
        return false;
    }
    *hints = clap::GuiResizeHints{};
    return true;
}

// The only usable size is the editor's own.
bool CLAP_CALL AdjustSize(const clap::Plugin* plugin, uint32_t* width, uint32_t* height)
{
    return width != nullptr && height != nullptr && ClapGuiOf(plugin).Size(*width, *height);
}

bool CLAP_CALL SetSize(const clap::Plugin* plugin, uint32_t width, uint32_t height)
{
    uint32_t ownWidth = 0;
    uint32_t ownHeight = 0;
    return ClapGuiOf(plugin).Size(ownWidth, ownHeight) && width == ownWidth && height == ownHeight;
}

bool CLAP_CALL SetParent(const clap::Plugin* plugin, const clap::Window* window)
{
    return ClapGuiOf(plugin).SetParent(window);
}

bool CLAP_CALL SetTransient(const clap::Plugin*, const clap::Window*)
{
    return false;
}

void CLAP_CALL SuggestTitle(const clap::Plugin*, const char*) {}

bool CLAP_CALL ShowGui(const clap::Plugin* plugin)
{
    return ClapGuiOf(plugin).Show();
}

bool CLAP_CALL HideGui(const clap::Plugin* plugin)
{
    return ClapGuiOf(plugin).Hide();
}

void CLAP_CALL OnTimer(const clap::Plugin* plugin, clap::Id timer)
{
    ClapGuiOf(plugin).OnTimer(timer);
}

const clap::PluginGui kGui = {IsApiSupported, PreferredApi, CreateGui,  DestroyGui,   SetScale,
                              GetSize,        CanResize,    ResizeHints, AdjustSize,  SetSize,
                              SetParent,      SetTransient, SuggestTitle, ShowGui,    HideGui};
const clap::PluginTimerSupport kTimerSupport = {OnTimer};

void CLAP_CALL OnDescriptor(const clap::Plugin* plugin, int fd, uint32_t)
{
    ClapGuiOf(plugin).OnDescriptor(fd);
}

const clap::PluginPosixFdSupport kDescriptorSupport = {OnDescriptor};

bool CLAP_CALL SnapshotSize(const clap::Plugin* plugin, uint32_t* width, uint32_t* height)
{
    return width != nullptr && height != nullptr && ClapGuiOf(plugin).FaceSize(*width, *height);
}

bool CLAP_CALL SnapshotPaint(const clap::Plugin* plugin, uint32_t width, uint32_t height, uint32_t* pixels)
{
    return ClapGuiOf(plugin).Snapshot(width, height, pixels);
}

const clap::PluginRuckSnapshot kSnapshot = {SnapshotSize, SnapshotPaint};
}  // namespace

void ClapGui::Bind(const clap::Plugin*, const clap::Host* clapHost, IClapPlugin* instance)
{
    host = clapHost;
    effect = instance;
    if (host != nullptr && host->get_extension != nullptr) {
        timers = static_cast<const clap::HostTimerSupport*>(host->get_extension(host, clap::kExtTimerSupport));
        descriptors =
            static_cast<const clap::HostPosixFdSupport*>(host->get_extension(host, clap::kExtPosixFdSupport));
    }
}

const void* ClapGui::Extension(const char* id) const
{
    if (std::strcmp(id, clap::kExtGui) == 0) {
        return Face() != nullptr ? &kGui : nullptr;
    }
    if (std::strcmp(id, clap::kExtRuckSnapshot) == 0) {
        return Face() != nullptr ? &kSnapshot : nullptr;
    }
    if (std::strcmp(id, clap::kExtTimerSupport) == 0) {
        return &kTimerSupport;
    }
#ifndef _WIN32
    if (std::strcmp(id, clap::kExtPosixFdSupport) == 0) {
        return &kDescriptorSupport;
    }
#endif
    return nullptr;
}

IAttachedView* ClapGui::Face() const
{
    return effect != nullptr ? effect->EditorView() : nullptr;
}

bool ClapGui::Supports(const char* api, bool floating) const
{
    return !floating && api != nullptr && std::strcmp(api, kPlatformApi) == 0 && Face() != nullptr;
}

bool ClapGui::Create(const char* api, bool floating)
{
    if (created || !Supports(api, floating)) {
        return false;
    }
    created = true;
    return true;
}

void ClapGui::Destroy()
{
    Close();
    parent = nullptr;
    created = false;
}

bool ClapGui::SetScale(double requested)
{
    if (!created || !(requested > 0.0) || !std::isfinite(requested)) {
        return false;
    }
    scale = requested;
    return true;
}

bool ClapGui::Size(uint32_t& width, uint32_t& height) const
{
    return created && FaceSize(width, height);
}

bool ClapGui::FaceSize(uint32_t& width, uint32_t& height) const
{
    const IAttachedView* face = Face();
    if (face == nullptr) {
        return false;
    }
    width = static_cast<uint32_t>(face->Width());
    height = static_cast<uint32_t>(face->Height());
    return true;
}

// The very painting the VST2 vendor request 'RkSn' asks for.
bool ClapGui::Snapshot(uint32_t width, uint32_t height, uint32_t* pixels) const
{
    IAttachedView* face = Face();
    return face != nullptr && width <= INT32_MAX && height <= INT32_MAX &&
           face->Snapshot(pixels, static_cast<int>(width), static_cast<int>(height));
}

bool ClapGui::SetParent(const clap::Window* window)
{
    if (!created || open || window == nullptr || window->api == nullptr ||
        std::strcmp(window->api, kPlatformApi) != 0) {
        return false;
    }
#ifdef _WIN32
    void* handle = window->win32;
#else
    void* handle = reinterpret_cast<void*>(static_cast<uintptr_t>(window->x11));
#endif
    if (handle == nullptr) {
        return false;
    }
    parent = handle;
    return OpenIn(parent);
}

// Hiding closes the window; showing opens it again in the same parent.
bool ClapGui::Show()
{
    return open || (parent != nullptr && OpenIn(parent));
}

bool ClapGui::Hide()
{
    Close();
    return created;
}

bool ClapGui::OpenIn(void* window)
{
    IAttachedView* face = Face();
    if (face == nullptr || !face->OpenWindow(window)) {
        return false;
    }
    open = true;
    effect->OnEditorOpen();
    WatchEvents(*face);
    return true;
}

#ifdef _WIN32
// A Win32 child window keeps its own timer in the host's thread.
void ClapGui::WatchEvents(const IAttachedView&) {}
#else
// An X window redraws on the host's timer and reads its input when the host sees its
// connection readable; without either the view's own fallback drives it.
void ClapGui::WatchEvents(const IAttachedView& face)
{
    const int rate = face.FrameRate() > 0 ? face.FrameRate() : 1;
    if (timers != nullptr && timers->register_timer != nullptr &&
        !timers->register_timer(host, kMillisecondsPerSecond / static_cast<uint32_t>(rate), &timer)) {
        timer = clap::kInvalidId;
    }
    const int fd = face.EventDescriptor();
    if (fd >= 0 && descriptors != nullptr && descriptors->register_fd != nullptr &&
        descriptors->register_fd(host, fd, clap::kFdRead)) {
        watched = fd;
    }
}
#endif

void ClapGui::Close()
{
    if (!open) {
        return;
    }
    if (timer != clap::kInvalidId && timers != nullptr && timers->unregister_timer != nullptr) {
        timers->unregister_timer(host, timer);
    }
    timer = clap::kInvalidId;
    if (watched >= 0 && descriptors != nullptr && descriptors->unregister_fd != nullptr) {
        descriptors->unregister_fd(host, watched);
    }
    watched = -1;
    open = false;
    effect->OnEditorClose();
    Face()->CloseWindow();
}

void ClapGui::OnTimer(clap::Id id)
{
    if (open && id == timer && timer != clap::kInvalidId) {
        Face()->Idle();
    }
}

void ClapGui::OnDescriptor(int fd)
{
    if (open && fd == watched && watched >= 0) {
        Face()->Idle();
    }
}
