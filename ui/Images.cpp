#include "Images.h"

#include <QString>

#include <array>

namespace {

constexpr std::array toolbarFiles = {
    ":/icons/toolbar/folder-add.svg",
    ":/icons/toolbar/folder-edit.svg",
    ":/icons/toolbar/folder-delete.svg",
    ":/icons/toolbar/account-add.svg",
    ":/icons/toolbar/account-edit.svg",
    ":/icons/toolbar/account-copy.svg",
    ":/icons/toolbar/account-delete.svg",
    ":/icons/toolbar/close.svg",
};

} // namespace

ImageList treeImages()
{
    ImageList images(QSize(16, 16));
    for (const char *key : {"root", "open", "account", "close"})
        images.add(QString::fromLatin1(key),
            QIcon(QStringLiteral(":/icons/tree/%1.svg").arg(QLatin1String(key))));
    return images;
}

int toolbarImageCount()
{
    return int(toolbarFiles.size());
}

// One icon per picture for the whole process: an icon keeps the pictures it
// has drawn, so a window opened again neither parses nor draws them again.
QIcon toolbarImage(int index)
{
    static const std::array<QIcon, toolbarFiles.size()> icons = [] {
        std::array<QIcon, toolbarFiles.size()> made;
        for (size_t i = 0; i < toolbarFiles.size(); ++i)
            made[i] = QIcon(QString::fromLatin1(toolbarFiles[i]));
        return made;
    }();
    if (index < 0 || index >= toolbarImageCount())
        return {};
    return icons[size_t(index)];
}
