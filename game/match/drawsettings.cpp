#include "game/match/drawsettings.h"

#include <cstring>

#include "framework/app/options.h"

OrvexDrawSettings drawSettings;

namespace {

struct DrawOption {
    const char* name;
    int defaultValue;
    int OrvexDrawSettings::*field;
};

// In the order the options are first written.
const DrawOption kDrawOptions[] = {
    {"wiggle", 1, &OrvexDrawSettings::wiggle},
    {"orbitKZV", 1, &OrvexDrawSettings::orbitKZV},
    {"gridBrightness", 1, &OrvexDrawSettings::gridBrightness},
    {"checkerBoard", 0, &OrvexDrawSettings::checkerBoard},
    {"indicatePlayer", 1, &OrvexDrawSettings::indicatePlayer},
};

}  // namespace

void loadDrawSettings() {
    for (const DrawOption& o : kDrawOptions) {
        if (!getStringOption(o.name)) setIntOption(o.name, o.defaultValue);
        drawSettings.*o.field = getIntOption(o.name);
    }
}

int* drawSetting(const char* optionName) {
    if (!optionName) return nullptr;
    for (const DrawOption& o : kDrawOptions)
        if (std::strcmp(optionName, o.name) == 0) return &(drawSettings.*o.field);
    return nullptr;
}
