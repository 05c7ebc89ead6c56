#include "NodeLooks.h"

#include "browser/TreeError.h"
#include "ui/ImageList.h"

#include <limits>

namespace {

// Equal fonts may still differ in which attributes they set themselves.
bool sameFont(const QFont &a, const QFont &b)
{
    return a == b && a.resolveMask() == b.resolveMask();
}

} // namespace

NodeLooks::NodeLooks()
    : m_images {Image {}}
    , m_fonts {QFont()}
    , m_brushes {QBrush()}
{
}

// The number a look added to `kept` looks gets.
quint16 NodeLooks::nextNumber(size_t kept)
{
    if (kept > std::numeric_limits<quint16>::max())
        throw TreeError(QStringLiteral("Too many different looks in one tree"));
    return quint16(kept);
}

quint16 NodeLooks::image(const QString &key)
{
    if (key.isEmpty())
        return 0;
    for (size_t i = 1; i < m_images.size(); ++i)
        if (m_images[i].key == key)
            return quint16(i);
    const quint16 added = nextNumber(m_images.size());
    m_images.push_back({key, m_imageList ? m_imageList->icon(key) : QIcon()});
    return added;
}

void NodeLooks::setImageList(const ImageList *images)
{
    m_imageList = images;
    for (Image &image : m_images)
        image.icon = images && !image.key.isEmpty() ? images->icon(image.key) : QIcon();
}

quint16 NodeLooks::changedFont(quint16 font, FontAttribute attribute, double value)
{
    for (const FontChange &known : m_fontChanges)
        if (known.from == font && known.attribute == attribute && known.value == value)
            return known.to;
    QFont changed = m_fonts.at(font);
    if (attribute == FontAttribute::Size)
        changed.setPointSizeF(value);
    else
        changed.setBold(value != 0);
    size_t kept = 1;
    while (kept < m_fonts.size() && !sameFont(m_fonts[kept], changed))
        ++kept;
    const quint16 to = nextNumber(kept);
    if (kept == m_fonts.size())
        m_fonts.push_back(changed);
    m_fontChanges.push_back({font, attribute, value, to});
    return to;
}

QVariant NodeLooks::fontData(quint16 font) const
{
    return font == 0 ? QVariant() : QVariant(m_fonts.at(font));
}

quint16 NodeLooks::colour(const QColor &colour)
{
    for (size_t i = 1; i < m_brushes.size(); ++i)
        if (m_brushes[i].color() == colour)
            return quint16(i);
    const quint16 added = nextNumber(m_brushes.size());
    m_brushes.emplace_back(colour);
    return added;
}

QVariant NodeLooks::brushData(quint16 colour) const
{
    return colour == 0 ? QVariant() : QVariant(m_brushes.at(colour));
}
