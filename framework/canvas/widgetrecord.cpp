#include "framework/canvas/widgetrecord.h"

#include <cstring>

#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"

WidgetRecord::WidgetRecord() = default;
WidgetRecord::~WidgetRecord() = default;
WidgetRecord::WidgetRecord(WidgetRecord&&) noexcept = default;
WidgetRecord& WidgetRecord::operator=(WidgetRecord&&) noexcept = default;

bool WidgetRecord::is(const char* kindWord) const { return kind && kindWord && std::strcmp(kind, kindWord) == 0; }

bool WidgetRecord::isLabel() const { return (kindBit() & kindMask::labels) != 0; }

unsigned WidgetRecord::kindBit() const {
    static const struct {
        const char* word;
        unsigned bit;
    } table[] = {
        {widgetKind::list, kindMask::list},
        {widgetKind::pushButton, kindMask::pushButton},
        {widgetKind::commandButton, kindMask::commandButton},
        {widgetKind::checkBox, kindMask::checkBox},
        {widgetKind::radioButton, kindMask::radioButton},
        {widgetKind::comboBox, kindMask::comboBox},
        {widgetKind::entryField, kindMask::entryField},
        {widgetKind::groupBox, kindMask::groupBox},
        {widgetKind::label, kindMask::label},
        {widgetKind::rightLabel, kindMask::rightLabel},
        {widgetKind::bottomLabel, kindMask::bottomLabel},
        {widgetKind::bottomRightLabel, kindMask::bottomRightLabel},
        {widgetKind::midLabel, kindMask::midLabel},
        {widgetKind::scrollBar, kindMask::scrollBar},
        {widgetKind::ad, kindMask::ad},
    };
    if (!kind) return 0;
    for (const auto& e : table)
        if (std::strcmp(kind, e.word) == 0) return e.bit;
    return 0;
}
