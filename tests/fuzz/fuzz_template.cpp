// A filled template is its own text with each marker replaced by its value;
// whatever a value holds, markers included, is copied as it stands.

#include "store/Template.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

const QStringList markers = {QStringLiteral("%1"), QStringLiteral("%2"),
    QStringLiteral("%tablename"), QStringLiteral("%parentkey"), QStringLiteral("%key"),
    QStringLiteral("%p_val"), QStringLiteral("%val")};

} // namespace

// The input is split at byte 0x01 into pieces: the even pieces are the
// template's own text (with '%' removed, so that it holds no marker), each
// odd piece chooses a marker by its first byte.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> pieces = bytes.split('\x01');
    if (pieces.isEmpty())
        return 0;
    // Every marker's value is a text the fuzzer chose, markers and all.
    TemplateMarkers values;
    for (qsizetype i = 0; i < markers.size(); ++i)
        values.emplace_back(markers.at(i),
            QString::fromUtf8(pieces.value(i)) + markers.at((i + 1) % markers.size()));
    QString statementTemplate;
    QString expected;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i % 2 == 0) {
            const QString text = QString::fromUtf8(pieces.at(i)).remove(QLatin1Char('%'));
            statementTemplate += text;
            expected += text;
        } else {
            const auto &[marker, value] = values.at(
                (pieces.at(i).isEmpty() ? 0 : uchar(pieces.at(i).front())) % values.size());
            statementTemplate += marker;
            expected += value;
        }
    }
    if (fillTemplate(statementTemplate, values) != expected)
        std::abort();
    return 0;
}
