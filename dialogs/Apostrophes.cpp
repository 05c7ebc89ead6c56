#include "Apostrophes.h"

#include "ui/TextFilter.h"

namespace {

constexpr QChar apostrophe = u'\'';

} // namespace

void removeApostrophes(QLineEdit *box)
{
    filterBox(box, [](QStringView text) { return text.toString().remove(apostrophe); });
}

void removeApostrophes(QPlainTextEdit *box)
{
    removeFromDocument(box, QStringView(&apostrophe, 1));
}
