/* Asks a window to close the way a window manager's close button does: waits
 * for a window whose title matches exactly, then sends it WM_DELETE_WINDOW.
 * usage: xclose TITLE [SECONDS]   (exit 0 when sent, 1 when not found in time) */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static Window find(Display* display, Window window, const char* title) {
    char* name = NULL;
    if (XFetchName(display, window, &name) && name) {
        int same = strcmp(name, title) == 0;
        XFree(name);
        if (same)
            return window;
    }
    Window root, parent, *children = NULL;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i)
            found = find(display, children[i], title);
        if (children)
            XFree(children);
    }
    return found;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: xclose TITLE [SECONDS]\n");
        return 2;
    }
    double seconds = argc > 2 ? atof(argv[2]) : 10.0;
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "xclose: no display\n");
        return 1;
    }
    for (double waited = 0; waited < seconds; waited += 0.05) {
        Window window = find(display, DefaultRootWindow(display), argv[1]);
        if (window) {
            XEvent event;
            memset(&event, 0, sizeof event);
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, window, False, NoEventMask, &event);
            XFlush(display);
            XCloseDisplay(display);
            return 0;
        }
        usleep(50000);
    }
    fprintf(stderr, "xclose: no window titled '%s'\n", argv[1]);
    XCloseDisplay(display);
    return 1;
}
