#pragma once
// The 500 ms tick of a frame window and its client list. On each tick the
// ticker walks its clients, newest first: a client registered with a counter
// gets its counter raised by one (the game-protocol thread counts its own
// ticks from it); every other client gets its onIntuitick (or
// onPrivIntuitick on a ticker that is not the main one). The frame window
// that owns the ticker drives it from its window timer.
#include <atomic>

#include "framework/util/tickclient.h"

class Ticker {
public:
    static constexpr int kPeriodMs = 500;

    // `window` is the frame whose timer drives this ticker (may be null in
    // tests, which call tickClients directly).
    Ticker(void* window, bool isMain);
    ~Ticker();
    Ticker(const Ticker&) = delete;
    Ticker& operator=(const Ticker&) = delete;

    void addClient(TickClient* core, std::atomic<int>* counter);
    void add(TickClient* core) { addClient(core, nullptr); }
    // Unlinks the first node of that core; safe during a tick.
    void removeClient(TickClient* core);

    void tickClients();
    // The raw window event filter: a timer event (275) carrying this
    // ticker's id runs a tick and is reported handled.
    bool dispatchHandlerEvent(int message, int timerId);

    int timerId() const { return iTimerId; }
    bool isMain() const { return iMain; }
    void* window() const { return iWindow; }
    int clientCount() const;

private:
    struct Node {
        TickClient* core;
        std::atomic<int>* counter;
        Node* next;
        bool removed;
    };
    void purge();

    int iTimerId;
    bool iMain;
    void* iWindow;
    Node* iHead = nullptr;
    int iWalking = 0;  // >0 while tickClients walks the list
};

// The process-wide main ticker, or null.
extern Ticker* mainTicker;
