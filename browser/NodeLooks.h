#pragma once

#include <QBrush>
#include <QFont>
#include <QIcon>
#include <QString>
#include <QVariant>

#include <vector>

class ImageList;

// The looks the nodes of one tree share: image keys, fonts and colours, each
// kept once and named in a node by its number. Number 0 is "not set". A load
// gives ten thousands of nodes the same three or four looks.
class NodeLooks {
public:
    enum class FontAttribute { Size, Bold };

    NodeLooks();

    quint16 image(const QString &key);
    QString imageKey(quint16 image) const { return m_images.at(image).key; }
    // The image list's picture for the key, or a null icon.
    QIcon icon(quint16 image) const { return m_images.at(image).icon; }
    void setImageList(const ImageList *images);

    // The font with one attribute changed. Only the changed attributes are
    // marked as set, so that the rest still follows the tree's own font.
    quint16 changedFont(quint16 font, FontAttribute attribute, double value);
    QFont font(quint16 font) const { return m_fonts.at(font); }
    // None for a font never set.
    QVariant fontData(quint16 font) const;

    quint16 colour(const QColor &colour);
    QColor colourOf(quint16 colour) const { return m_brushes.at(colour).color(); }
    // None for a colour never set.
    QVariant brushData(quint16 colour) const;

private:
    struct Image {
        QString key;
        QIcon icon;
    };
    struct FontChange {
        quint16 from;
        FontAttribute attribute;
        double value;
        quint16 to;
    };

    static quint16 nextNumber(size_t kept);

    const ImageList *m_imageList = nullptr;
    std::vector<Image> m_images;
    std::vector<QFont> m_fonts;
    std::vector<FontChange> m_fontChanges;
    std::vector<QBrush> m_brushes;
};
