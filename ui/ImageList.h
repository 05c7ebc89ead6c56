#pragma once

#include <QHash>
#include <QIcon>
#include <QSize>
#include <QString>

// Images addressed by key, all of one size, as the tree and toolbar use them.
class ImageList {
public:
    explicit ImageList(QSize imageSize = QSize(16, 16))
        : m_imageSize(imageSize)
    {
    }

    QSize imageSize() const { return m_imageSize; }
    void add(const QString &key, const QIcon &icon) { m_images.insert(key, icon); }
    bool contains(const QString &key) const { return m_images.contains(key); }
    // A null icon for an unknown key.
    QIcon icon(const QString &key) const { return m_images.value(key); }
    qsizetype count() const { return m_images.size(); }

private:
    QSize m_imageSize;
    QHash<QString, QIcon> m_images;
};
