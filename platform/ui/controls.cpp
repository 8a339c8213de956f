// Controls on the toolkit. Lists keep their entries in a model of their own
// (the toolkit's browser base asks it for them), so entries can be added and
// read back without a display and are drawn literally.
#include "platform/ui/controls.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Browser_.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Secret_Input.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "platform/ui/fltk_detail.h"

namespace platform::ui {

namespace {

class ToolkitMeasurer : public TextMeasurer {
public:
    int textWidth(const char* text, const Font& font) override {
        if (!text || !*text) return 0;
        if (!displayAvailable()) {
            int characters = 0;
            for (const char* p = text; *p; ++p)
                if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) ++characters;
            return characters * font.pixelSize() / 2;
        }
        fl_font(toolkitFace(font), font.pixelSize());
        return static_cast<int>(fl_width(text) + 0.5);
    }
};

ToolkitMeasurer toolkitMeasurer;
TextMeasurer* installedMeasurer = nullptr;

Fl_Color toolkitColour(const Rgb& c) {
    auto clamp = [](int v) { return static_cast<uchar>(std::clamp(v, 0, 255)); };
    return fl_rgb_color(clamp(c.r), clamp(c.g), clamp(c.b));
}

}  // namespace

Fl_Font toolkitFace(const Font& font) {
    std::string face;
    for (char c : font.face) face += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (face.rfind("courier", 0) == 0) return FL_COURIER;
    if (face.rfind("times", 0) == 0) return FL_TIMES;
    return FL_HELVETICA;
}

int Font::pixelSize() const { return std::max(1, (points * 4 + 1) / 3); }

TextMeasurer& textMeasurer() { return installedMeasurer ? *installedMeasurer : toolkitMeasurer; }
void setTextMeasurer(TextMeasurer* measurer) { installedMeasurer = measurer; }

// The link between a toolkit widget and its Control. The widget outlives
// the Control when its deletion is deferred; it then reports to no one.
struct ControlTracker {
    NativeControl* native = nullptr;
    Control::Impl* impl = nullptr;
};

struct NativeControl {
    Fl_Widget* fl = nullptr;
    ControlTracker* tracker = nullptr;
};

struct Control::Impl {
    Control* self = nullptr;
    ControlType type;
    int id = 0;
    ControlListener* listener = nullptr;
    ItemHolder* items = nullptr;  // lists and combo boxes
    Rgb foreground{0, 0, 0};
    Rgb background{192, 192, 192};
    int maxLength = 0;
    // Scroll bars.
    int low = 0, high = 100, visible = 1;

    void raise(ControlEventKind kind) {
        if (!listener) return;
        HandlerScope scope;
        listener->onControlEvent(*self, kind);  // may delete the control
    }
};

namespace {

// A toolkit widget that tells its Control when it goes. Labels never carry
// a shortcut, whatever '&' they hold.
template <class W>
class Tracked : public W, public ControlTracker {
public:
    template <class... Args>
    Tracked(NativeControl* n, Args&&... args) : W(std::forward<Args>(args)...) {
        native = n;
        n->fl = this;
        n->tracker = this;
        this->clear_flag(Fl_Widget::SHORTCUT_LABEL);
    }
    ~Tracked() override {
        if (native) {
            native->fl = nullptr;
            native->tracker = nullptr;
        }
    }
};

// How many of the n bytes of `text` fit into `room` bytes without cutting a
// UTF-8 sequence.
int fittingBytes(const char* text, int n, int room) {
    if (room <= 0) return 0;
    if (n <= room) return n;
    int cut = room;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

// An entry field whose limit counts bytes, as the system's own one-byte
// characters did: whatever characters are typed or pasted, the text fits
// every byte-bound place it goes to (a chat line its protocol message). Input
// that does not fit is refused; a paste is cut to fit at a character's start.
template <class W>
class LimitedEntry : public Tracked<W> {
public:
    using Tracked<W>::Tracked;
    int handle(int event) override {
        const int limit = this->impl ? this->impl->maxLength : 0;
        if (limit <= 0 || !insertsText(event)) return Tracked<W>::handle(event);
        const int selected =
            this->position() > this->mark() ? this->position() - this->mark() : this->mark() - this->position();
        const int room = limit - (this->size() - selected);
        const int fits = fittingBytes(Fl::event_text(), Fl::event_length(), room);
        if (fits <= 0) return 1;  // full: the key or the paste is taken and dropped
        const int length = Fl::e_length;
        Fl::e_length = fits;
        int used = Tracked<W>::handle(event);
        Fl::e_length = length;
        return used;
    }

private:
    // A key that types text (not a control key or a shortcut), or a paste.
    static bool insertsText(int event) {
        if (Fl::event_length() <= 0 || !Fl::event_text()) return false;
        if (event == FL_PASTE) return true;
        if (event != FL_KEYBOARD) return false;
        if (Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)) return false;
        return static_cast<unsigned char>(Fl::event_text()[0]) >= 0x20 && Fl::event_text()[0] != 0x7F;
    }
};

void widgetCallback(Fl_Widget* w, void* data) {
    auto* tracker = static_cast<ControlTracker*>(data);
    Control::Impl* impl = tracker ? tracker->impl : nullptr;
    if (!impl) return;
    switch (impl->type) {
    case ControlType::PushButton: impl->raise(ControlEventKind::Command); break;
    case ControlType::Entry:
    case ControlType::SecretEntry: impl->raise(ControlEventKind::Edit); break;
    case ControlType::VerticalScrollBar:
    case ControlType::HorizontalScrollBar: impl->raise(ControlEventKind::Scroll); break;
    case ControlType::CheckBox:
    case ControlType::RadioButton:
    case ControlType::Choice:
    case ControlType::List:
    case ControlType::MultiList: impl->raise(ControlEventKind::Select); break;
    default: break;
    }
    (void)w;
}

// A frame with its title at the top left, interrupting the frame line.
class GroupBoxWidget : public Fl_Box {
public:
    using Fl_Box::Fl_Box;
    void draw() override {
        fl_font(labelfont(), labelsize());
        const int lineHeight = fl_height();
        const int top = y() + lineHeight / 2;
        draw_box(FL_ENGRAVED_FRAME, x(), top, w(), std::max(0, h() - lineHeight / 2), color());
        const char* title = label();
        if (!title || !*title) return;
        const int n = static_cast<int>(std::strlen(title));
        const int width = static_cast<int>(fl_width(title, n));
        Fl_Color backdrop = parent() ? parent()->color() : FL_BACKGROUND_COLOR;
        fl_color(backdrop);
        fl_rectf(x() + 6, y(), std::min(width + 6, std::max(0, w() - 12)), lineHeight);
        fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
        fl_push_clip(x() + 6, y(), std::max(0, w() - 12), lineHeight);
        fl_draw(title, n, x() + 9, y() + lineHeight - fl_descent());
        fl_pop_clip();
    }
};

}  // namespace

// What lists and combo boxes share: entries and their selection, by index
// (an index out of range changes nothing and reads as empty).
class ItemHolder {
public:
    virtual ~ItemHolder() = default;
    virtual int count() const = 0;
    virtual std::string entry(int i) const = 0;
    virtual int insertAt(int position, const char* text) = 0;
    virtual void removeAt(int i) = 0;
    virtual void setEntry(int i, const char* text) = 0;
    virtual void clearAll() = 0;
    virtual void setSelected(int i, bool on) = 0;
    virtual bool isSelected(int i) const = 0;
};

namespace {

// A list box whose entries live here. In one-selection mode the toolkit
// base keeps its own pointer to the selected entry, so every selection
// change goes through its select().
class ListWidget : public Fl_Browser_, public ItemHolder {
public:
    struct Item {
        std::string text;
        bool selected = false;
        int index = 0;
    };

    ListWidget(int x, int y, int w, int h, bool multi) : Fl_Browser_(x, y, w, h) {
        type(multi ? FL_MULTI_BROWSER : FL_HOLD_BROWSER);
        when(FL_WHEN_CHANGED);
        box(FL_DOWN_BOX);
        color(FL_BACKGROUND2_COLOR);
    }

    int count() const override { return static_cast<int>(items_.size()); }
    Item* at(int i) const { return (i >= 0 && i < count()) ? items_[static_cast<std::size_t>(i)].get() : nullptr; }
    std::string entry(int i) const override {
        Item* item = at(i);
        return item ? item->text : "";
    }
    bool isSelected(int i) const override {
        Item* item = at(i);
        return item && item->selected;
    }

    int insertAt(int position, const char* text) override {
        position = std::clamp(position, 0, count());
        auto item = std::make_unique<Item>();
        item->text = text ? text : "";
        Item* added = item.get();
        Item* following = at(position);
        items_.insert(items_.begin() + position, std::move(item));
        renumber(position);
        if (following) inserting(following, added);
        redraw_lines();
        return position;
    }

    void removeAt(int i) override {
        Item* item = at(i);
        if (!item) return;
        deleting(item);  // while the item is still linked
        items_.erase(items_.begin() + i);
        renumber(i);
        redraw_lines();
    }

    void clearAll() override {
        new_list();
        items_.clear();
    }

    void setEntry(int i, const char* text) override {
        if (Item* item = at(i)) {
            item->text = text ? text : "";
            redraw_line(item);
        }
    }

    void setSelected(int i, bool on) override {
        if (Item* item = at(i)) select(item, on ? 1 : 0, 0);
    }

    void setFont(Fl_Font face, int size, const Font& measured) {
        textfont(face);
        textsize(static_cast<Fl_Fontsize>(size));
        measuredFont_ = measured;
    }

    ControlTracker* tracker = nullptr;

protected:
    void* item_first() const override { return at(0); }
    void* item_next(void* p) const override { return at(static_cast<Item*>(p)->index + 1); }
    void* item_prev(void* p) const override { return at(static_cast<Item*>(p)->index - 1); }
    void* item_last() const override { return at(count() - 1); }
    void* item_at(int index) const override { return at(index - 1); }  // the base counts from 1
    const char* item_text(void* p) const override { return static_cast<Item*>(p)->text.c_str(); }
    // Heights need no font, so a list without a display can be filled.
    int item_height(void*) const override { return textsize() + 4; }
    int item_width(void* p) const override {
        return textMeasurer().textWidth(static_cast<Item*>(p)->text.c_str(), measuredFont_) + 6;
    }
    void item_select(void* p, int v) override { static_cast<Item*>(p)->selected = v != 0; }
    int item_selected(void* p) const override { return static_cast<Item*>(p)->selected ? 1 : 0; }
    void item_draw(void* p, int X, int Y, int W, int H) const override {
        const Item* item = static_cast<Item*>(p);
        fl_font(textfont(), textsize());
        Fl_Color c = textcolor();
        if (item->selected) c = fl_contrast(c, selection_color());
        if (!active_r()) c = fl_inactive(c);
        fl_color(c);
        fl_push_clip(X, Y, W, H);
        fl_draw(item->text.c_str(), static_cast<int>(item->text.size()), X + 3, Y + H - fl_descent() - 2);
        fl_pop_clip();
    }

    int handle(int event) override {
        ControlTracker* t = tracker;
        if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
            raiseEnter(t);
            return 1;
        }
        const bool doubleClick = event == FL_PUSH && Fl::event_clicks() > 0 && find_item(Fl::event_y());
        int result = Fl_Browser_::handle(event);
        if (doubleClick) raiseEnter(t);  // the tracker tells whether anyone still listens
        return result;
    }

private:
    static void raiseEnter(ControlTracker* t) {
        if (t && t->impl) t->impl->raise(ControlEventKind::Enter);
    }
    void renumber(int from) {
        for (int i = std::max(0, from); i < count(); ++i) items_[static_cast<std::size_t>(i)]->index = i;
    }

    std::vector<std::unique_ptr<Item>> items_;
    Font measuredFont_;
};

// A drop-down combo box whose entries live here; the toolkit's menu items
// point into them and are rebuilt after every change.
class ChoiceWidget : public Fl_Choice, public ItemHolder {
public:
    ChoiceWidget(int x, int y, int w, int h) : Fl_Choice(x, y, w, h) { rebuild(-1); }

    int count() const override { return static_cast<int>(entries_.size()); }
    std::string entry(int i) const override {
        return (i >= 0 && i < count()) ? entries_[static_cast<std::size_t>(i)] : "";
    }
    int selected() const { return value(); }
    bool isSelected(int i) const override { return i >= 0 && selected() == i; }

    int insertAt(int position, const char* text) override {
        position = std::clamp(position, 0, count());
        int sel = selected();
        entries_.insert(entries_.begin() + position, text ? text : "");
        if (sel >= position) ++sel;
        rebuild(sel);
        return position;
    }
    void removeAt(int i) override {
        if (i < 0 || i >= count()) return;
        int sel = selected();
        entries_.erase(entries_.begin() + i);
        if (sel == i)
            sel = -1;
        else if (sel > i)
            --sel;
        rebuild(sel);
    }
    void setEntry(int i, const char* text) override {
        if (i < 0 || i >= count()) return;
        entries_[static_cast<std::size_t>(i)] = text ? text : "";
        rebuild(selected());
    }
    void clearAll() override {
        entries_.clear();
        rebuild(-1);
    }
    void setSelected(int i, bool on) override {
        if (i < 0 || i >= count()) return;
        if (on)
            value(i);
        else if (selected() == i)
            value(static_cast<const Fl_Menu_Item*>(nullptr));
        redraw();
    }

private:
    void rebuild(int sel) {
        std::vector<Fl_Menu_Item> items;
        for (const std::string& e : entries_) {
            Fl_Menu_Item it{};
            it.text = e.c_str();
            it.labeltype_ = literalLabelType();
            items.push_back(it);
        }
        items.push_back(Fl_Menu_Item{});
        items_.swap(items);
        menu(items_.data());
        if (sel >= 0 && sel < count())
            value(sel);
        else
            value(static_cast<const Fl_Menu_Item*>(nullptr));
        redraw();
    }

    std::vector<std::string> entries_;
    std::vector<Fl_Menu_Item> items_;
};

template <class W>
W* as(NativeControl* n) {
    return n && n->fl ? static_cast<W*>(n->fl) : nullptr;
}

bool isList(ControlType t) { return t == ControlType::List || t == ControlType::MultiList; }
bool isEntry(ControlType t) { return t == ControlType::Entry || t == ControlType::SecretEntry; }
bool isScrollBar(ControlType t) { return t == ControlType::VerticalScrollBar || t == ControlType::HorizontalScrollBar; }
bool isCheckable(ControlType t) { return t == ControlType::CheckBox || t == ControlType::RadioButton; }
// Kinds whose caption is the widget's label.
bool hasCaption(ControlType t) {
    return t == ControlType::PushButton || isCheckable(t) || t == ControlType::Label || t == ControlType::GroupBox;
}

Fl_Align toolkitAlign(TextAlign a) {
    switch (a) {
    case TextAlign::Left: return FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
    case TextAlign::Right: return FL_ALIGN_RIGHT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
    case TextAlign::BottomLeft: return FL_ALIGN_BOTTOM | FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
    case TextAlign::BottomRight: return FL_ALIGN_BOTTOM | FL_ALIGN_RIGHT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
    case TextAlign::Center: return FL_ALIGN_CENTER | FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
    }
    return FL_ALIGN_LEFT | FL_ALIGN_INSIDE;
}

Fl_Widget* createWidget(NativeControl* n, ControlType type, const Rect& r) {
    const int x = r.x, y = r.y, w = std::max(0, r.w), h = std::max(0, r.h);
    switch (type) {
    case ControlType::PushButton: return new Tracked<Fl_Button>(n, x, y, w, h);
    case ControlType::CheckBox: return new Tracked<Fl_Check_Button>(n, x, y, w, h);
    case ControlType::RadioButton: {
        auto* b = new Tracked<Fl_Round_Button>(n, x, y, w, h);
        b->type(FL_RADIO_BUTTON);
        return b;
    }
    case ControlType::Entry: {
        auto* e = new LimitedEntry<Fl_Input>(n, x, y, w, h);
        e->when(FL_WHEN_CHANGED);
        return e;
    }
    case ControlType::SecretEntry: {
        auto* e = new LimitedEntry<Fl_Secret_Input>(n, x, y, w, h);
        e->when(FL_WHEN_CHANGED);
        return e;
    }
    case ControlType::Label: {
        auto* b = new Tracked<Fl_Box>(n, x, y, w, h);
        b->box(FL_NO_BOX);
        b->align(toolkitAlign(TextAlign::Left));
        return b;
    }
    case ControlType::GroupBox: return new Tracked<GroupBoxWidget>(n, x, y, w, h);
    case ControlType::Choice: return new Tracked<ChoiceWidget>(n, x, y, w, h);
    case ControlType::List:
    case ControlType::MultiList: {
        auto* l = new Tracked<ListWidget>(n, x, y, w, h, type == ControlType::MultiList);
        l->tracker = l;
        return l;
    }
    case ControlType::VerticalScrollBar:
    case ControlType::HorizontalScrollBar: {
        auto* s = new Tracked<Fl_Scrollbar>(n, x, y, w, h);
        s->type(type == ControlType::VerticalScrollBar ? FL_VERTICAL : FL_HORIZONTAL);
        s->linesize(1);
        return s;
    }
    }
    return nullptr;
}

}  // namespace

Control::Control(Canvas* parent, ControlType type, const Rect& rect, int id)
    : native_(std::make_unique<NativeControl>()), impl_(std::make_unique<Impl>()) {
    impl_->self = this;
    impl_->type = type;
    impl_->id = id;
    ensureToolkit();
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    Fl_Widget* w = createWidget(native_.get(), type, rect);
    Fl_Group::current(saved);
    native_->tracker->impl = impl_.get();
    impl_->items = dynamic_cast<ItemHolder*>(w);
    w->callback(widgetCallback, native_->tracker);
    if (hasCaption(type)) setLiteralLabel(w, "");
    if (isScrollBar(type)) setScrollRange(0, 100, 1);
    if (Fl_Double_Window* window = toolkitWindow(parent)) {
        window->add(w);
        w->redraw();
    }
}

Control::~Control() {
    Fl_Widget* w = native_->fl;
    if (!w) return;
    native_->tracker->native = nullptr;
    native_->tracker->impl = nullptr;
    native_->fl = nullptr;
    native_->tracker = nullptr;
    if (Fl_Group* p = w->parent()) {
        p->remove(w);
        p->redraw();
    }
    w->hide();
    // Inside a handler the widget may be the one whose callback runs.
    if (inHandler())
        defer([w] { delete w; });
    else
        delete w;
}

ControlType Control::type() const { return impl_->type; }
int Control::id() const { return impl_->id; }
bool Control::exists() const { return native_->fl != nullptr; }
void Control::setListener(ControlListener* listener) { impl_->listener = listener; }

Rect Control::rect() const {
    Fl_Widget* w = native_->fl;
    return w ? Rect{w->x(), w->y(), w->w(), w->h()} : Rect{};
}

void Control::place(int x, int y, int w, int h) {
    Fl_Widget* widget = native_->fl;
    if (!widget) return;
    if (Fl_Group* p = widget->parent()) p->damage(FL_DAMAGE_ALL);
    widget->resize(x, y, std::max(0, w), std::max(0, h));
    widget->redraw();
}

void Control::setText(const char* text) {
    Fl_Widget* w = native_->fl;
    if (!w) return;
    const ControlType t = impl_->type;
    if (isEntry(t))
        static_cast<Fl_Input_*>(w)->value(text ? text : "");
    else if (hasCaption(t))
        setLiteralLabel(w, text);
    w->redraw();
}

std::string Control::text() const {
    Fl_Widget* w = native_->fl;
    if (!w) return "";
    const ControlType t = impl_->type;
    if (isEntry(t)) {
        const char* v = static_cast<Fl_Input_*>(w)->value();
        return v ? v : "";
    }
    if (t == ControlType::Choice) {
        auto* c = static_cast<ChoiceWidget*>(w);
        return c->entry(c->selected());
    }
    if (hasCaption(t)) return w->label() ? w->label() : "";
    return "";
}

void Control::setAlignment(TextAlign align) {
    if (Fl_Widget* w = native_->fl) {
        if (impl_->type == ControlType::Label) w->align(toolkitAlign(align));
        w->redraw();
    }
}

void Control::setFont(const Font& font) {
    Fl_Widget* w = native_->fl;
    if (!w) return;
    const Fl_Font face = toolkitFace(font);
    const auto size = static_cast<Fl_Fontsize>(font.pixelSize());
    const ControlType t = impl_->type;
    if (isList(t)) {
        static_cast<ListWidget*>(w)->setFont(face, size, font);
    } else if (t == ControlType::Choice) {
        auto* c = static_cast<ChoiceWidget*>(w);
        c->textfont(face);
        c->textsize(size);
    } else if (isEntry(t)) {
        auto* e = static_cast<Fl_Input_*>(w);
        e->textfont(face);
        e->textsize(size);
    } else {
        w->labelfont(face);
        w->labelsize(size);
    }
    w->redraw();
}

void Control::setMaxLength(int characters) {
    impl_->maxLength = characters;
    if (auto* e = isEntry(impl_->type) ? as<Fl_Input_>(native_.get()) : nullptr)
        e->maximum_size(characters > 0 ? characters : 32767);
}

int Control::maxLength() const { return impl_->maxLength; }

void Control::setChecked(bool checked) {
    if (!isCheckable(impl_->type)) return;
    if (auto* b = as<Fl_Button>(native_.get())) b->value(checked ? 1 : 0);
}

bool Control::checked() const {
    if (!isCheckable(impl_->type)) return false;
    auto* b = as<Fl_Button>(native_.get());
    return b && b->value() != 0;
}

void Control::setForeground(const Rgb& colour) {
    impl_->foreground = colour;
    Fl_Widget* w = native_->fl;
    if (!w) return;
    const Fl_Color c = toolkitColour(colour);
    const ControlType t = impl_->type;
    if (isEntry(t))
        static_cast<Fl_Input_*>(w)->textcolor(c);
    else if (isList(t))
        static_cast<ListWidget*>(w)->textcolor(c);
    else if (t == ControlType::Choice)
        static_cast<ChoiceWidget*>(w)->textcolor(c);
    else
        w->labelcolor(c);
    w->redraw();
}

void Control::setBackground(const Rgb& colour) {
    impl_->background = colour;
    Fl_Widget* w = native_->fl;
    if (!w) return;
    // Texts and check marks have no box of their own: give them one.
    const ControlType t = impl_->type;
    if (t == ControlType::Label || isCheckable(t)) w->box(FL_FLAT_BOX);
    w->color(toolkitColour(colour));
    w->redraw();
}

Rgb Control::foreground() const { return impl_->foreground; }
Rgb Control::background() const { return impl_->background; }

void Control::setEnabled(bool enabled) {
    Fl_Widget* w = native_->fl;
    if (!w) return;
    if (enabled)
        w->activate();
    else
        w->deactivate();
    w->redraw();
}

bool Control::enabled() const {
    Fl_Widget* w = native_->fl;
    return w && w->active();
}

void Control::repaint(bool immediate) {
    Fl_Widget* w = native_->fl;
    if (!w) return;
    // Asked for while the control's canvas paints, the repaint is that
    // paint's own: it draws every control in the area it repaints, and
    // outside that area nothing has changed. A mark set now would outlive
    // the window's own (cleared when the paint ends), and a control left
    // marked asks for no redraw on its next change (a field being typed in
    // would stay blank).
    if (paintingToolkitWindow(w->window())) return;
    w->redraw();
    if (immediate && w->window() && w->window()->shown()) Fl::flush();
}

// ---------------------------------------------------------------- entries

ItemHolder* Control::items() const { return native_->fl ? impl_->items : nullptr; }

int Control::itemCount() const {
    ItemHolder* h = items();
    return h ? h->count() : 0;
}

std::string Control::itemText(int index) const {
    ItemHolder* h = items();
    return h ? h->entry(index) : "";
}

int Control::addItem(const char* text, bool sorted) {
    ItemHolder* h = items();
    if (!h) return -1;
    const char* t = text ? text : "";
    int position = h->count();
    if (sorted) {
        int i = 0;
        while (i < position && std::strcmp(h->entry(i).c_str(), t) <= 0) ++i;
        position = i;
    }
    return h->insertAt(position, t);
}

void Control::setItemText(int index, const char* text) {
    if (ItemHolder* h = items()) h->setEntry(index, text);
}

void Control::removeItem(int index) {
    if (ItemHolder* h = items()) h->removeAt(index);
}

void Control::clearItems() {
    if (ItemHolder* h = items()) h->clearAll();
}

int Control::findItem(const char* text) const {
    if (!text) return -1;
    const int n = itemCount();
    for (int i = 0; i < n; ++i)
        if (itemText(i) == text) return i;
    return -1;
}

void Control::setItemSelected(int index, bool selected) {
    if (ItemHolder* h = items()) h->setSelected(index, selected);
}

bool Control::itemSelected(int index) const {
    ItemHolder* h = items();
    return h && h->isSelected(index);
}

void Control::selectAll(bool selected) {
    const int n = itemCount();
    for (int i = 0; i < n; ++i) setItemSelected(i, selected);
}

int Control::selectedIndex() const {
    const int n = itemCount();
    for (int i = 0; i < n; ++i)
        if (itemSelected(i)) return i;
    return -1;
}

int Control::selectedCount() const {
    int count = 0;
    const int n = itemCount();
    for (int i = 0; i < n; ++i)
        if (itemSelected(i)) ++count;
    return count;
}

// ---------------------------------------------------------------- scroll bars

void Control::setScrollRange(int low, int high, int visible) {
    if (!isScrollBar(impl_->type)) return;
    impl_->low = low;
    impl_->high = std::max(low, high);
    impl_->visible = std::max(1, visible);
    const int total = impl_->high - impl_->low + 1;
    if (auto* s = as<Fl_Scrollbar>(native_.get())) s->linesize(std::max(1, std::min(impl_->visible, total) / 10));
    setScrollPosition(scrollPosition());
}

void Control::setScrollPosition(int position) {
    if (!isScrollBar(impl_->type)) return;
    auto* s = as<Fl_Scrollbar>(native_.get());
    if (!s) return;
    const int total = impl_->high - impl_->low + 1;
    const int window = std::min(impl_->visible, total);
    const int last = impl_->low + total - window;
    s->value(std::clamp(position, impl_->low, last), window, impl_->low, total);
}

int Control::scrollPosition() const {
    auto* s = isScrollBar(impl_->type) ? as<Fl_Scrollbar>(native_.get()) : nullptr;
    return s ? s->value() : 0;
}

void Control::raiseForTests(ControlEventKind kind) { impl_->raise(kind); }

Fl_Widget* toolkitWidget(const Control* control) { return control ? control->native()->fl : nullptr; }

int Control::scrollLow() const { return impl_->low; }
int Control::scrollHigh() const { return impl_->high; }
int Control::scrollVisible() const { return impl_->visible; }

}  // namespace platform::ui
