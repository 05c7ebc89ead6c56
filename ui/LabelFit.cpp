#include "LabelFit.h"

#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {

// Between the end of a caption and its box.
constexpr int gapPixels = 2;
// Narrower than this reads badly; a caption that still does not fit is cut.
constexpr int narrowestStretch = 70;

// How far the caption may reach: to the nearest box to its right on its line.
int roomBeside(const QLabel *label)
{
    int room = label->width();
    for (const QLineEdit *box :
        label->parentWidget()->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly)) {
        const bool sameLine
            = box->y() < label->geometry().bottom() && label->y() < box->geometry().bottom();
        if (sameLine && box->x() > label->x())
            room = std::min(room, box->x() - label->x() - gapPixels);
    }
    return room;
}

void fit(QLabel *label)
{
    const int needed = label->fontMetrics().horizontalAdvance(label->text());
    const int room = roomBeside(label);
    if (needed <= room || needed == 0)
        return;
    // Glyphs snap to whole pixels, so the first guess may still be too wide.
    QFont narrower = label->font();
    for (int stretch = std::max(narrowestStretch, 100 * room / needed); stretch >= narrowestStretch;
         --stretch) {
        narrower.setStretch(stretch);
        if (QFontMetrics(narrower).horizontalAdvance(label->text()) <= room)
            break;
    }
    label->setFont(narrower);
}

} // namespace

void fitLabelsBesideBoxes(QWidget *window)
{
    for (QLabel *label : window->findChildren<QLabel *>())
        fit(label);
}
