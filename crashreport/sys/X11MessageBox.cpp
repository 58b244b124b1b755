#include "crashreport/sys/X11MessageBox.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <type_traits>

namespace errvane {
namespace {

// The Xlib functions the box uses, looked up by name.
struct Xlib {
    void* handle = nullptr;
    decltype(&XOpenDisplay) openDisplay;
    decltype(&XCloseDisplay) closeDisplay;
    decltype(&XCreateSimpleWindow) createWindow;
    decltype(&XDestroyWindow) destroyWindow;
    decltype(&XStoreName) storeName;
    decltype(&XSelectInput) selectInput;
    decltype(&XMapRaised) mapRaised;
    decltype(&XNextEvent) nextEvent;
    decltype(&XDrawString) drawString;
    decltype(&XDrawRectangle) drawRectangle;
    decltype(&XFillPolygon) fillPolygon;
    decltype(&XSetForeground) setForeground;
    decltype(&XInternAtom) internAtom;
    decltype(&XChangeProperty) changeProperty;
    decltype(&XSetWMProtocols) setProtocols;
    decltype(&XLoadQueryFont) loadFont;
    decltype(&XFreeFont) freeFont;
    decltype(&XSetFont) setFont;
    decltype(&XTextWidth) textWidth;
    decltype(&XLookupKeysym) lookupKeysym;
    decltype(&XCreateGC) createGC;
    decltype(&XFreeGC) freeGC;
    decltype(&XSetWMNormalHints) setNormalHints;

    bool Load() {
        handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return false;
        bool ok = true;
        auto bind = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
            ok = ok && function != nullptr;
        };
        bind(openDisplay, "XOpenDisplay");
        bind(closeDisplay, "XCloseDisplay");
        bind(createWindow, "XCreateSimpleWindow");
        bind(destroyWindow, "XDestroyWindow");
        bind(storeName, "XStoreName");
        bind(selectInput, "XSelectInput");
        bind(mapRaised, "XMapRaised");
        bind(nextEvent, "XNextEvent");
        bind(drawString, "XDrawString");
        bind(drawRectangle, "XDrawRectangle");
        bind(fillPolygon, "XFillPolygon");
        bind(setForeground, "XSetForeground");
        bind(internAtom, "XInternAtom");
        bind(changeProperty, "XChangeProperty");
        bind(setProtocols, "XSetWMProtocols");
        bind(loadFont, "XLoadQueryFont");
        bind(freeFont, "XFreeFont");
        bind(setFont, "XSetFont");
        bind(textWidth, "XTextWidth");
        bind(lookupKeysym, "XLookupKeysym");
        bind(createGC, "XCreateGC");
        bind(freeGC, "XFreeGC");
        bind(setNormalHints, "XSetWMNormalHints");
        return ok;
    }
};

constexpr int kMargin = 16;
constexpr int kMark = 32;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kMaxLines = 16;

struct Layout {
    const char* lines[kMaxLines];
    int lengths[kMaxLines];
    int count = 0;
};

// Splits at line feeds, dropping carriage returns.
void SplitLines(const char* text, Layout* layout) {
    const char* start = text;
    for (const char* p = text;; ++p) {
        if (*p == '\n' || *p == 0) {
            int length = static_cast<int>(p - start);
            if (length > 0 && start[length - 1] == '\r') --length;
            if (layout->count < kMaxLines) {
                layout->lines[layout->count] = start;
                layout->lengths[layout->count++] = length;
            }
            if (*p == 0) break;
            start = p + 1;
        }
    }
}

}  // namespace

X11MessageBox::Result X11MessageBox::Show(const char* text, const char* caption) {
    const char* displayName = std::getenv("DISPLAY");
    if (displayName == nullptr || *displayName == 0) return Result::NoDisplay;
    Xlib x;
    if (!x.Load()) return Result::NoDisplay;
    Display* display = x.openDisplay(nullptr);
    if (display == nullptr) return Result::NoDisplay;

    const int screen = DefaultScreen(display);
    XFontStruct* font = x.loadFont(display, "fixed");
    const int ascent = font != nullptr ? font->ascent : 12;
    const int lineHeight = font != nullptr ? font->ascent + font->descent + 2 : 16;
    Layout layout;
    SplitLines(text, &layout);
    int textWidth = 200;
    for (int i = 0; i < layout.count; ++i) {
        const int w = font != nullptr ? x.textWidth(font, layout.lines[i], layout.lengths[i]) : layout.lengths[i] * 7;
        if (w > textWidth) textWidth = w;
    }
    const int width = kMargin * 3 + kMark + textWidth;
    const int textHeight = layout.count * lineHeight;
    const int height = kMargin * 3 + (textHeight > kMark ? textHeight : kMark) + kButtonHeight;
    const unsigned long black = BlackPixel(display, screen), white = WhitePixel(display, screen);
    const Window window = x.createWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                         static_cast<unsigned>(height), 1, black, white);
    x.storeName(display, window, caption);
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    x.setNormalHints(display, window, &hints);
    Atom deleteWindow = x.internAtom(display, "WM_DELETE_WINDOW", False);
    x.setProtocols(display, window, &deleteWindow, 1);
    Atom above = x.internAtom(display, "_NET_WM_STATE_ABOVE", False);
    x.changeProperty(display, window, x.internAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                     reinterpret_cast<unsigned char*>(&above), 1);
    x.selectInput(display, window, ExposureMask | KeyPressMask | ButtonPressMask);
    GC gc = x.createGC(display, window, 0, nullptr);
    if (font != nullptr) x.setFont(display, gc, font->fid);
    x.mapRaised(display, window);

    const int buttonX = (width - kButtonWidth) / 2, buttonY = height - kMargin - kButtonHeight;
    Result result = Result::Closed;
    for (bool open = true; open;) {
        XEvent event;
        x.nextEvent(display, &event);
        switch (event.type) {
        case Expose: {
            if (event.xexpose.count != 0) break;
            XPoint mark[3] = {{static_cast<short>(kMargin + kMark / 2), static_cast<short>(kMargin)},
                              {static_cast<short>(kMargin), static_cast<short>(kMargin + kMark)},
                              {static_cast<short>(kMargin + kMark), static_cast<short>(kMargin + kMark)}};
            x.setForeground(display, gc, 0xE0B000);
            x.fillPolygon(display, window, gc, mark, 3, Convex, CoordModeOrigin);
            x.setForeground(display, gc, black);
            x.drawString(display, window, gc, kMargin + kMark / 2 - 2, kMargin + kMark - 6, "!", 1);
            for (int i = 0; i < layout.count; ++i)
                x.drawString(display, window, gc, kMargin * 2 + kMark, kMargin + ascent + i * lineHeight,
                             layout.lines[i], layout.lengths[i]);
            x.drawRectangle(display, window, gc, buttonX, buttonY, kButtonWidth, kButtonHeight);
            x.drawString(display, window, gc, buttonX + kButtonWidth / 2 - 6, buttonY + kButtonHeight / 2 + ascent / 2 - 1,
                         "OK", 2);
            break;
        }
        case KeyPress: {
            const KeySym key = x.lookupKeysym(&event.xkey, 0);
            if (key == XK_Return || key == XK_KP_Enter || key == XK_space || key == XK_Escape) {
                result = key == XK_Escape ? Result::Closed : Result::Ok;
                open = false;
            }
            break;
        }
        case ButtonPress:
            if (event.xbutton.x >= buttonX && event.xbutton.x < buttonX + kButtonWidth && event.xbutton.y >= buttonY &&
                event.xbutton.y < buttonY + kButtonHeight) {
                result = Result::Ok;
                open = false;
            }
            break;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) open = false;
            break;
        default: break;
        }
    }
    x.freeGC(display, gc);
    if (font != nullptr) x.freeFont(display, font);
    x.destroyWindow(display, window);
    x.closeDisplay(display);
    return result;
}

}  // namespace errvane
