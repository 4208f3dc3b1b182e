#pragma once
// Components and controls, the base of every part of a window. A component owns the components
// made with it as their owner and destroys them in reverse order; a control is a component
// with a place among its parent's controls, bounds, visibility, a caption and a tab order, and
// wraps one Qt widget. Also the event types the handlers are written against.
//
// Relies on the standard library only: the Qt widget is only declared here, and Qt itself stays
// inside the toolkit's sources. How user events reach their handlers: dispatch.h.

#include <functional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
// Modifier keys and buttons held during a pointer event, as bits.
enum TShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = unsigned;
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    const std::vector<TComponent*>& Components() const { return components_; }
    TComponent* FindComponent(const std::string& name) const;

private:
    TComponent* owner_;
    std::string name_;
    std::vector<TComponent*> components_;  // owned, destroyed in reverse order
};

class TControl : public TComponent {
public:
    ~TControl() override;

    TControl* Parent() const { return parent_; }
    void SetParent(TControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }

    bool Visible() const { return visible_; }
    void SetVisible(bool v);

    virtual std::string Caption() const { return caption_; }
    virtual void SetCaption(const std::string& text);

    int TabOrder() const { return tab_order_; }
    void SetTabOrder(int order) { tab_order_ = order; }
    // Whether the control takes keyboard focus and so has a place in the tab order.
    virtual bool Focusable() const { return false; }

    // The hint: what the desktop shows in a tooltip when the pointer rests on the control. A
    // hint that follows the control's state, or the point under the pointer, is given as a
    // function of that point (in the control's own pixels) instead; it is asked each time the
    // tooltip is about to show, and again as the pointer moves while the tooltip shows. A hint
    // shows its lines ('\n') as they are; an empty text shows no tooltip. Hints never reach the
    // control's own pointer handlers.
    using THintSource = std::function<std::string(int x, int y)>;
    void SetHint(std::string text);
    void SetHintSource(THintSource source);
    // The text the tooltip shows for the point (x, y): the source's, or else the fixed hint.
    std::string CurrentHint(int x, int y) const;

    const std::vector<TControl*>& Controls() const { return children_; }
    QWidget* Widget() const { return widget_; }

protected:
    TControl(TComponent* owner, QWidget* widget);
    virtual void CaptionChanged() {}

    QWidget* widget_;
    std::string caption_;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;

private:
    void watch_hint_requests();

    TControl* parent_ = nullptr;
    std::vector<TControl*> children_;
    bool visible_ = true;
    int tab_order_ = 0;
    std::string hint_;
    THintSource hint_source_;
    bool hint_watched_ = false;
};
