#pragma once

#include "ui/ImageList.h"

#include <QIcon>

// The tree's node images (ImageList1), 16 x 16, keyed "root", "open", "account" and "close".
ImageList treeImages();

// The toolbar's images (ImageList2), 20 x 20, without keys: index 0 to toolbarImageCount() - 1
// in button order (add, modify, delete folder; add, modify, copy, delete account; close).
// A null icon for any other index.
int toolbarImageCount();
QIcon toolbarImage(int index);
