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

QIcon toolbarImage(int index)
{
    if (index < 0 || index >= toolbarImageCount())
        return {};
    return QIcon(QString::fromLatin1(toolbarFiles[size_t(index)]));
}
