#pragma once
// Event handlers: small objects that a window's events are passed through.
// A window (a frame or a canvas) is a KZVHandlerHost; a handler attaches to
// the window it serves when it is constructed and detaches when it is
// deleted, so deleting a handler stops that kind of event. Each handler
// template is named after its event and its target class, holds the target
// and the member function to call, and forwards only the events of its kind.
//
// A host passes an event to its handlers newest first until one reports it
// handled. Handlers may be deleted while an event is being passed on (a
// frame's close deletes the frame's own handlers); those are skipped.
#include <cstdint>
#include <vector>

enum class KZVEventKind { Command, FrameClose, Edit, Select, Enter, MouseClick, MouseMove, Paint, Resize, Scroll, Raw };

// One event as the handlers see it. `message` and the two parameters carry
// the window-message form where the system relies on it (a menu command is
// message 273 with the command id in the low 16 bits of param1; a timer
// event is message 275 with the timer id in param1). `result` is what a
// handler hands back to the window (a frame close: 0 lets it go ahead).
struct KZVEvent {
    KZVEventKind kind = KZVEventKind::Raw;
    unsigned message = 0;
    std::uintptr_t param1 = 0;
    std::uintptr_t param2 = 0;
    void* window = nullptr;   // the window the event is for
    void* control = nullptr;  // the control that raised it, if any
    int x = 0, y = 0, w = 0, h = 0;
    int result = 0;
    // Mouse events: the button in the system's numbering (left 1, right 2,
    // middle 3, anything else -1), what it did, and the modifier keys.
    enum MouseAction { NoAction, ButtonClick, ButtonDoubleClick, ButtonDown, ButtonUp };
    int button = -1;
    MouseAction mouseAction = NoAction;
    bool alt = false, ctrl = false, shift = false;
};

constexpr unsigned kCommandMessage = 273;
constexpr unsigned kTimerMessage = 275;

class KZVHandlerHost;

class KZVHandler {
public:
    explicit KZVHandler(KZVHandlerHost* host);
    virtual ~KZVHandler();
    KZVHandler(const KZVHandler&) = delete;
    KZVHandler& operator=(const KZVHandler&) = delete;

    // True when the event was handled (it goes to no further handler).
    virtual bool dispatchHandlerEvent(KZVEvent& event) = 0;

    KZVHandlerHost* host() const { return iHost; }

private:
    friend class KZVHandlerHost;
    KZVHandlerHost* iHost;
};

class KZVHandlerHost {
public:
    KZVHandlerHost() = default;
    ~KZVHandlerHost();  // handlers still attached are detached, not deleted
    KZVHandlerHost(const KZVHandlerHost&) = delete;
    KZVHandlerHost& operator=(const KZVHandlerHost&) = delete;

    bool dispatch(KZVEvent& event);
    int handlerCount() const { return static_cast<int>(iHandlers.size()); }

private:
    friend class KZVHandler;
    void attach(KZVHandler* h);
    void detach(KZVHandler* h);
    bool attached(const KZVHandler* h) const;
    std::vector<KZVHandler*> iHandlers;
};

// Menu and control commands (message 273) to `int T::member(KZVEvent&)`;
// the member's non-zero result marks the command handled.
template <class T>
class KZVCommandHandler : public KZVHandler {
public:
    using Member = int (T::*)(KZVEvent&);
    explicit KZVCommandHandler(T* target, Member member = &T::onCommand)
        : KZVCommandHandler(target, &target->handlerHost(), member) {}
    KZVCommandHandler(T* target, KZVHandlerHost* window, Member member = &T::onCommand)
        : KZVHandler(window), iTarget(target), iMember(member) {}

    bool dispatchHandlerEvent(KZVEvent& event) override {
        if (event.kind != KZVEventKind::Command) return false;
        // Nothing of this handler is touched after the call: the target may
        // delete it.
        T* target = iTarget;
        Member member = iMember;
        return (target->*member)(event) != 0;
    }

private:
    T* iTarget;
    Member iMember;
};

// The frame's close to `int T::member()`; its result goes back to the
// window in event.result (0 lets the close go ahead).
template <class T>
class KZVFrameHandler : public KZVHandler {
public:
    using Member = int (T::*)();
    explicit KZVFrameHandler(T* target, Member member = &T::onClose)
        : KZVHandler(&target->handlerHost()), iTarget(target), iMember(member) {}

    bool dispatchHandlerEvent(KZVEvent& event) override {
        if (event.kind != KZVEventKind::FrameClose) return false;
        T* target = iTarget;
        Member member = iMember;
        event.result = (target->*member)();
        return true;
    }

private:
    T* iTarget;
    Member iMember;
};
