// The gui extension of one plug-in object: the effect's editor embedded in the host's
// window (win32 on Windows, x11 elsewhere), fixed in size; on X, driven by the host's timer
// and by its watch on the editor's X connection where the host offers them (else by the
// view's own fallback). Every call comes on the main thread; the editor is opened,
// driven and closed without the instance lock held.
#pragma once

#include "clap/clap_plugin.h"

class ClapGui {
public:
    // Remembers the instance and asks the host for its timer and descriptor support (after
    // plugin init).
    void Bind(const clap::Plugin* plugin, const clap::Host* host, IClapPlugin* effect);
    // Closes the editor if it is open; the host may not have said so.
    void Destroy();
    // The gui, snapshot, timer-support or posix-fd-support table, or null for other ids.
    const void* Extension(const char* id) const;

    // The table's operations on this instance's state.
    bool Supports(const char* api, bool floating) const;
    bool Create(const char* api, bool floating);
    bool SetScale(double scale);
    bool Size(uint32_t& width, uint32_t& height) const;
    // The face's size and pixels with no window, for the snapshot extension; created or not.
    bool FaceSize(uint32_t& width, uint32_t& height) const;
    bool Snapshot(uint32_t width, uint32_t height, uint32_t* pixels) const;
    bool SetParent(const clap::Window* window);
    bool Show();
    bool Hide();
    void OnTimer(clap::Id timer);
    void OnDescriptor(int fd);
    double Scale() const { return scale; }

private:
    IAttachedView* Face() const;
    bool OpenIn(void* parent);
    void WatchEvents(const IAttachedView& face);
    void Close();

    const clap::Host* host = nullptr;
    IClapPlugin* effect = nullptr;
    const clap::HostTimerSupport* timers = nullptr;
    const clap::HostPosixFdSupport* descriptors = nullptr;
    void* parent = nullptr;
    clap::Id timer = clap::kInvalidId;
    int watched = -1;
    double scale = 1.0;
    bool created = false;
    bool open = false;
};

// The gui state of a plug-in object made by CreateClapPlugin.
ClapGui& ClapGuiOf(const clap::Plugin* plugin);
