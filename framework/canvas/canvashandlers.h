#pragma once
// The event handlers of a canvas. Each template is named after its event
// and its target class, holds the target and the window it serves, attaches
// to that window's handler host when constructed and detaches when deleted.
// A canvas creates one of each for itself; every entry field has its own
// edit handler (target the canvas, window the entry field). The command
// handler is shared with the frame window (window/handlers.h).
//
// Nothing of a handler is touched after it has called its target: the
// target may delete the handler.
#include "framework/window/handlers.h"

// Text edits to `int T::onEdit(KZVEvent&)`.
template <class T>
class KZVEditHandler : public KZVHandler {
public:
    explicit KZVEditHandler(T* target) : KZVEditHandler(target, &target->handlerHost()) {}
    KZVEditHandler(T* target, KZVHandlerHost* window) : KZVHandler(window), iTarget(target) {}

    bool dispatchHandlerEvent(KZVEvent& event) override {
        if (event.kind != KZVEventKind::Edit) return false;
        T* target = iTarget;
        return target->onEdit(event) != 0;
    }

private:
    T* iTarget;
};

// Selections and enters (a double-click or Enter) to `int T::onSelect(KZVEvent&)`.
template <class T>
class KZVSelectHandler : public KZVHandler {
public:
    explicit KZVSelectHandler(T* target) : KZVHandler(&target->handlerHost()), iTarget(target) {}

    bool dispatchHandlerEvent(KZVEvent& event) override {
        if (event.kind != KZVEventKind::Select && event.kind != KZVEventKind::Enter) return false;
        T* target = iTarget;
        return target->onSelect(event) != 0;
    }

private:
    T* iTarget;
};

// Mouse buttons to `int T::onMouseClick(T* window, KZVEvent&)`, pointer
// moves to `int T::onMouseMove(T* window, KZVEvent&)`.
template <class T>
class KZVMouseHandler : public KZVHandler {
public:
    explicit KZVMouseHandler(T* target) : KZVHandler(&target->handlerHost()), iTarget(target), iWindow(target) {}

    bool dispatchHandlerEvent(KZVEvent& event) override {
        T* target = iTarget;
        T* window = iWindow;
        if (event.kind == KZVEventKind::MouseClick) return target->onMouseClick(window, event) != 0;
        if (event.kind == KZVEventKind::MouseMove) return target->onMouseMove(window, event) != 0;
        return false;
    }

private:
    T* iTarget;
    T* iWindow;
};

// Paints to `int T::onPaint(T* window, KZVEvent&)`.
template <class T>
class KZVPaintHandler : public KZVHandler {
public:
    explicit KZVPaintHandler(T* target) : KZVHandler(&target->handlerHost()), iTarget(target), iWindow(target) {}

    bool dispatchHandlerEvent(KZVEvent& event) override {
        if (event.kind != KZVEventKind::Paint) return false;
        T* target = iTarget;
        T* window = iWindow;
        return target->onPaint(window, event) != 0;
    }

private:
    T* iTarget;
    T* iWindow;
};

// Resizes of its own window to `int T::onResize(int w, int h)`; always
// reports the event handled.
template <class T>
class KZVResizeHandler : public KZVHandler {
public:
    explicit KZVResizeHandler(T* target) : KZVHandler(&target->handlerHost()), iTarget(target), iWindow(target) {}

    bool dispatchHandlerEvent(KZVEvent& event) override {
        if (event.kind != KZVEventKind::Resize) return false;
        if (event.window == static_cast<void*>(iWindow)) {
            T* target = iTarget;
            target->onResize(event.w, event.h);
        }
        return true;
    }

private:
    T* iTarget;
    T* iWindow;
};

// Scroll-bar moves to `int T::envokeItemForControl(control)`; like the
// base handler it leaves the event to further handlers.
template <class T>
class KZVScrollHandler : public KZVHandler {
public:
    explicit KZVScrollHandler(T* target) : KZVHandler(&target->handlerHost()), iTarget(target) {}

    bool dispatchHandlerEvent(KZVEvent& event) override {
        if (event.kind != KZVEventKind::Scroll) return false;
        T* target = iTarget;
        target->envokeItemForControl(event.control);
        return false;
    }

private:
    T* iTarget;
};
