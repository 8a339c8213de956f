#include "framework/app/messagebox.h"

#include <cstdio>
#include <mutex>

#include "framework/app/debuglog.h"

namespace {
std::mutex handlerMutex;
MessageBoxHandler& currentHandler() {
    static MessageBoxHandler h;
    return h;
}
}  // namespace

void showMessageBox(const char* title, const char* text, MessageBoxKind kind) {
    MessageBoxHandler h;
    {
        std::lock_guard<std::mutex> lock(handlerMutex);
        h = currentHandler();
    }
    if (h) {
        h(title ? title : "", text ? text : "", kind);
        return;
    }
    debugPrintfSS("message box [%s] %s\n", title ? title : "", text ? text : "");
    std::fprintf(stderr, "%s: %s\n", title ? title : "", text ? text : "");
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(handlerMutex);
    MessageBoxHandler old = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return old;
}
