#pragma once

// Real input through the X server (the XTest extension), loaded at run time so
// that no X development headers are needed. available() is false where the
// libraries or the display are missing.

#include <dlfcn.h>

#include <QGuiApplication>
#include <QPoint>
#include <initializer_list>
#include <vector>

namespace quillmar::testing {

// Whether the program runs on a real X server: Qt's X11 platform with a
// display. The tests that need one skip themselves otherwise.
inline bool onXServer()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") && QGuiApplication::platformName() == QLatin1String("xcb");
}

class XTestInput {
public:
    XTestInput()
    {
        x11_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        xtst_ = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!x11_ || !xtst_)
            return;
        open_ = reinterpret_cast<OpenFn>(dlsym(x11_, "XOpenDisplay"));
        close_ = reinterpret_cast<CloseFn>(dlsym(x11_, "XCloseDisplay"));
        flush_ = reinterpret_cast<FlushFn>(dlsym(x11_, "XFlush"));
        keycode_ = reinterpret_cast<KeycodeFn>(dlsym(x11_, "XKeysymToKeycode"));
        button_ = reinterpret_cast<ButtonFn>(dlsym(xtst_, "XTestFakeButtonEvent"));
        motion_ = reinterpret_cast<MotionFn>(dlsym(xtst_, "XTestFakeMotionEvent"));
        key_ = reinterpret_cast<KeyFn>(dlsym(xtst_, "XTestFakeKeyEvent"));
        if (open_ && close_ && flush_ && keycode_ && button_ && motion_ && key_)
            display_ = open_(nullptr);
    }
    ~XTestInput()
    {
        if (display_)
            close_(display_);
        if (xtst_)
            dlclose(xtst_);
        if (x11_)
            dlclose(x11_);
    }
    XTestInput(const XTestInput&) = delete;
    XTestInput& operator=(const XTestInput&) = delete;

    bool available() const { return display_ != nullptr; }
    void moveTo(QPoint global)
    {
        motion_(display_, -1, global.x(), global.y(), 0);
        flush_(display_);
    }
    void clickLeft()
    {
        button_(display_, 1, 1, 0);
        button_(display_, 1, 0, 0);
        flush_(display_);
    }
    // Presses the keys (X keysyms) in order and releases them in reverse.
    void chord(std::initializer_list<unsigned long> keysyms)
    {
        std::vector<unsigned> codes;
        for (unsigned long k : keysyms)
            codes.push_back(keycode_(display_, k));
        for (unsigned c : codes)
            key_(display_, c, 1, 0);
        for (auto it = codes.rbegin(); it != codes.rend(); ++it)
            key_(display_, *it, 0, 0);
        flush_(display_);
    }

    static constexpr unsigned long kAltL = 0xffe9, kReturn = 0xff0d;

private:
    using OpenFn = void* (*)(const char*);
    using CloseFn = int (*)(void*);
    using FlushFn = int (*)(void*);
    using KeycodeFn = unsigned char (*)(void*, unsigned long);
    using ButtonFn = int (*)(void*, unsigned, int, unsigned long);
    using MotionFn = int (*)(void*, int, int, int, unsigned long);
    using KeyFn = int (*)(void*, unsigned, int, unsigned long);
    void* x11_ = nullptr;
    void* xtst_ = nullptr;
    void* display_ = nullptr;
    OpenFn open_ = nullptr;
    CloseFn close_ = nullptr;
    FlushFn flush_ = nullptr;
    KeycodeFn keycode_ = nullptr;
    ButtonFn button_ = nullptr;
    MotionFn motion_ = nullptr;
    KeyFn key_ = nullptr;
};

}  // namespace quillmar::testing
