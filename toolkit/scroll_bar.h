#pragma once
// The scroll bar control. Relies on component.h; moves made by the user reach OnChange through
// the guarded dispatch (dispatch.h), which only scroll_bar.cpp includes.

#include "component.h"

enum class TScrollBarKind { sbHorizontal, sbVertical };

// OnChange fires once for every change of Position, by the user (arrows and arrow keys step by
// SmallChange, track clicks and page keys by LargeChange, Home/End go to Min/Max, every position
// while the thumb is dragged) or by the program; never when the position is set to the value it
// already has.
class TScrollBar : public TControl {
public:
    explicit TScrollBar(TComponent* owner);
    TNotifyEvent OnChange;
    bool Focusable() const override { return true; }

    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind kind);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const { return position_; }
    void SetPosition(int position);
    int SmallChange() const { return small_; }
    int LargeChange() const { return large_; }
    void SetSmallChange(int v);
    void SetLargeChange(int v);
    int PageSize() const { return page_size_; }
    void SetPageSize(int v) { page_size_ = v; }

private:
    void user_moved(int value);
    void sync_widget();
    TScrollBarKind kind_ = TScrollBarKind::sbHorizontal;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int small_ = 1;
    int large_ = 1;
    int page_size_ = 0;
};
