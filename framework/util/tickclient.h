#pragma once
// What a Ticker calls on each tick. Cores implement it (SuperCore derives
// from it), so the ticker needs nothing of the core layer above it.
class TickClient {
public:
    virtual ~TickClient() = default;
    // A tick of the main ticker, on the GUI thread.
    virtual void onIntuitick() = 0;
    // A tick of any other ticker.
    virtual void onPrivIntuitick() = 0;
};
