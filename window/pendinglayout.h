#pragma once

// Where and whether the slots' controls show, worked out step by step as a
// spread lays itself out and given to the controls at once when it is
// done: a control that the layout places twice (ShowSlots places every
// label by its image, the spread's moves then place some elsewhere) moves,
// and is repainted, once, and a control about to be shown moves while it is still
// hidden. The steps read each control's place as the layout has set it so
// far.

#include <QPoint>
#include <QWidget>

#include <functional>
#include <map>
#include <utility>
#include <vector>

class PendingLayout
{
public:
    PendingLayout() = default;
    PendingLayout(const PendingLayout &) = delete;
    PendingLayout &operator=(const PendingLayout &) = delete;

    // A control's top and left as the layout has placed it so far.
    int topOf(const QWidget *control) const { return placeOf(control).y(); }
    int leftOf(const QWidget *control) const { return placeOf(control).x(); }

    // Moves a control so that its top-left corner is at (top, left).
    void place(QWidget *control, int top, int left) { m_places[control] = QPoint(left, top); }
    void setShown(QWidget *control, bool shown) { m_visibility.emplace_back(control, shown); }

    // Gives the layout to the controls: moves first, then shows and hides
    // in the order the layout gave them, as it would have made them one at
    // a time.
    void apply() const
    {
        for (const auto &[control, at] : m_places) {
            if (control->pos() != at)
                control->move(at);
        }
        for (const auto &[control, shown] : m_visibility)
            control->setVisible(shown);
    }

private:
    QPoint placeOf(const QWidget *control) const
    {
        const auto found = m_places.find(control);
        return found != m_places.end() ? found->second : control->pos();
    }

    std::map<QWidget *, QPoint, std::less<>> m_places;
    std::vector<std::pair<QWidget *, bool>> m_visibility;
};
