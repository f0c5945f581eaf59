#include "CWindowDrag.h"

#include <QMouseEvent>
#include <QWidget>

void CWindowDrag::Press(const QMouseEvent* event, QPoint& pointOffset, bool& bDragging)
{
    if (event->button() != Qt::LeftButton)
        return;
    bDragging = true;
    pointOffset = event->position().toPoint();
}

void CWindowDrag::Move(QWidget* window, const QMouseEvent* event, const QPoint& pointOffset, bool bDragging)
{
    if (bDragging)
        window->move(event->globalPosition().toPoint() - pointOffset);
}

void CWindowDrag::Release(const QMouseEvent* event, bool& bDragging)
{
    if (event->button() == Qt::LeftButton)
        bDragging = false;
}
