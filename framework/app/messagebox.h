#pragma once
// The message box the framework shows (a missing options file, the upgrade
// pop-ups). Code below the window layer calls showMessageBox; the program
// installs the real box at start-up, and tests install a recorder, so a
// modal box never blocks a test run. Without a handler the text goes to the
// debug log and to standard error.
#include <functional>

enum class MessageBoxKind { Information, Error };

using MessageBoxHandler = std::function<void(const char* title, const char* text, MessageBoxKind)>;

void showMessageBox(const char* title, const char* text, MessageBoxKind kind = MessageBoxKind::Information);
// Installs a handler; returns the one it replaces. An empty handler restores
// the default.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);
