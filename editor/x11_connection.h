// A private connection to the X server for one editor, used by one thread at a time
// under the owner's lock. X errors on it are counted instead of ending the host, so a
// parent window the host has already destroyed makes a request fail quietly.
#pragma once

#include <X11/Xlib.h>

class X11Connection {
public:
    X11Connection() = default;
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    // Connects to $DISPLAY and picks a 24-bit true-colour visual; false when either fails.
    bool Open();
    // Closes the connection; the server frees every resource made on it.
    void Close();
    bool IsOpen() const { return display != nullptr; }

    Display* Get() const { return display; }
    Visual* TrueColour() const { return visual; }
    Colormap ColourMap() const { return colourMap; }
    // Whether the server offers shared-memory images to this client.
    bool OffersSharedImages() const { return sharedImages; }

    // Errors reported on this connection so far (after a Sync, all of them).
    int ErrorCount() const;
    // Waits until the server has handled every request; true when none of them failed
    // since the given error count.
    bool SyncSince(int errorCount);

private:
    bool PickVisual();

    Display* display = nullptr;
    Visual* visual = nullptr;
    Colormap colourMap = 0;
    bool sharedImages = false;
};
