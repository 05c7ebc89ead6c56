#include "Apostrophes.h"

#include "ui/TextFilter.h"

namespace {

constexpr QChar apostrophe = u'\'';

QString withoutApostrophes(QStringView text)
{
    return text.toString().remove(apostrophe);
}

} // namespace

void removeApostrophes(QLineEdit *box)
{
    filterBox(box, withoutApostrophes);
}

void removeApostrophes(QPlainTextEdit *box)
{
    filterDocument(box, withoutApostrophes);
}
