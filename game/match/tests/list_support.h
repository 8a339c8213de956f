#pragma once
// Support of the list core's tests: an owner core that records the row
// events its list sends, and a filler for numbered rows.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "game/match/advancedlistcore.h"
#include "testing/test_cores.h"

namespace list_testing {

// One row event: its name without the "AdvancedListCore::" prefix.
struct Event {
    std::string name;
    int row = 0;
    SuperCore* sender = nullptr;
    bool operator==(const Event& o) const { return name == o.name && row == o.row; }
};

inline std::ostream& operator<<(std::ostream& os, const Event& e) { return os << e.name << " " << e.row; }

class ListOwner : public testing_support::FakeCore {
public:
    ListOwner() : FakeCore("ListOwner") {}
    int onListSelect(const char* eventName, SuperCore* sender, int row) override {
        std::string name = eventName ? eventName : "";
        const std::string prefix = "AdvancedListCore::";
        if (name.rfind(prefix, 0) == 0) name = name.substr(prefix.size());
        events.push_back({name, row, sender});
        if (onEvent) onEvent(events.back());
        return 1;
    }
    std::vector<Event> events;
    std::function<void(const Event&)> onEvent;
};

// Row r with the texts "row r", "path r", "r" and the key "k r", counted
// as an item, as the owner adds rows.
inline void addRow(AdvancedListCore& list, int r) {
    const std::string n = std::to_string(r);
    list.setCell(r, 0, ("row " + n).c_str());
    list.setCell(r, 1, ("path " + n).c_str());
    list.setCell(r, 2, n.c_str());
    list.setCell(r, 3, ("k " + n).c_str());
    list.setRowCount(r + 1);
    list.setItemCount(list.itemCount() + 1);
}

}  // namespace list_testing
