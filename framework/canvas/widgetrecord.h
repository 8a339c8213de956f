#pragma once
// WidgetRecord: one entry of a canvas's widget table, added by the canvas's
// builders and turned into a control when the table is realised (or at
// once, for scroll bars and the advertising panel). The canvas finds each
// record by its name; events find it by its control id (1000 + index + 1)
// or its control.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "framework/canvas/canvashandlers.h"
#include "platform/ui/controls.h"

class SuperCanvas;
class SuperCore;

// The kind words of the records (compared as texts).
namespace widgetKind {
inline constexpr const char* list = "list";
inline constexpr const char* pushButton = "pushButton";
inline constexpr const char* commandButton = "commandButton";
inline constexpr const char* checkBox = "checkBox";
inline constexpr const char* radioButton = "radioButton";
inline constexpr const char* comboBox = "comboBox";
inline constexpr const char* entryField = "entryField";
inline constexpr const char* groupBox = "groupBox";
inline constexpr const char* label = "label";
inline constexpr const char* rightLabel = "rightLabel";
inline constexpr const char* bottomLabel = "bottomLabel";
inline constexpr const char* bottomRightLabel = "bottomRightLabel";
inline constexpr const char* midLabel = "midLabel";
inline constexpr const char* scrollBar = "scrollBar";
inline constexpr const char* ad = "ad";
}  // namespace widgetKind

// One bit per kind, for operations that act on several kinds.
namespace kindMask {
enum : unsigned {
    list = 1u << 0,
    pushButton = 1u << 1,
    commandButton = 1u << 2,
    checkBox = 1u << 3,
    radioButton = 1u << 4,
    comboBox = 1u << 5,
    entryField = 1u << 6,
    groupBox = 1u << 7,
    label = 1u << 8,
    rightLabel = 1u << 9,
    bottomLabel = 1u << 10,
    bottomRightLabel = 1u << 11,
    midLabel = 1u << 12,
    scrollBar = 1u << 13,
    ad = 1u << 14,
    labels = label | rightLabel | bottomLabel | bottomRightLabel | midLabel,
    any = ~0u,
};
}  // namespace kindMask

struct WidgetRecord {
    WidgetRecord();
    ~WidgetRecord();
    WidgetRecord(WidgetRecord&&) noexcept;
    WidgetRecord& operator=(WidgetRecord&&) noexcept;

    // The control made for the record; null until created.
    std::unique_ptr<platform::ui::Control> control;
    const char* kind = nullptr;
    std::int32_t index = 0;  // the position in the table when added
    std::optional<std::string> name;
    // comboBox: its entry texts, ended by null; borrowed until realised.
    const char* const* entries = nullptr;
    // The display text; released once the table is realised.
    std::optional<std::string> text;
    std::int32_t value = 0;  // check and radio: checked; list: several selections
    std::int32_t group = 0;
    float x = 0.0f;               // positioned: pixels; form: the column
    float y = 0.0f;               // positioned: pixels; form: the row
    std::int32_t px = 0, py = 0;  // form: the packed position
    std::int32_t width = 0, height = 0;
    std::int32_t rowOffset = 0;
    std::int32_t id = 0;
    // entryField: the field's own handlers and the edit handler on them.
    std::unique_ptr<KZVHandlerHost> controlHandlers;
    std::unique_ptr<KZVEditHandler<SuperCanvas>> editHandler;
    // "ad": the advertising core, owned by the record.
    std::unique_ptr<SuperCore> attachedCore;
    bool syncPaint = false;
    SuperCanvas* owner = nullptr;
    std::int32_t limit = 0;  // entryField: the most characters accepted

    bool is(const char* kindWord) const;
    bool isLabel() const;
    // The record's bit of kindMask (0 for no kind).
    unsigned kindBit() const;
    bool named(const char* n) const { return n && name && *name == n; }
    const char* nameText() const { return name ? name->c_str() : ""; }
};
