#pragma once

class QWidget;

// A label whose caption, in the face that stands in for the design font,
// would run into the box beside it is drawn narrower, just enough to end
// before the box.
void fitLabelsBesideBoxes(QWidget *window);
