// Moving a frameless window with the left mouse button: the window's own
// mouse handlers pass their events and the drag state they keep.
#ifndef CORVINA_CWINDOWDRAG_H
#define CORVINA_CWINDOWDRAG_H

#include <QPoint>

class QMouseEvent;
class QWidget;

class CWindowDrag
{
public:
    // A left press starts a drag from the press position inside the window.
    static void Press(const QMouseEvent* event, QPoint& pointOffset, bool& bDragging);
    // While dragging, the window's corner follows the pointer less the offset.
    static void Move(QWidget* window, const QMouseEvent* event, const QPoint& pointOffset, bool bDragging);
    // A left release ends the drag.
    static void Release(const QMouseEvent* event, bool& bDragging);
};

#endif
